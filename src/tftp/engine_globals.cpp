#include "tftp/engine_globals.h"

fw::FixedText<32> g_szPassword;
fw::FixedText<16> g_szModemAddress;

int g_bUnicast = 0;
int g_nTargetOs = 0;
int g_bUpdateComplete = 0;

fw::FixedText<20> g_szCompany;
fw::FixedText<20> g_szDate;
fw::FixedText<30> g_szHardwareVersion;
fw::FixedText<30> g_szFirmwareVersion;
fw::FixedText<32> g_szProductId;
fw::FixedText<20> g_szMacAddress;
fw::FixedText<200> g_szTftpVersion;
fw::FixedText<500> g_szHwProfile;

void StorePassword(std::string_view box_text) {
    g_szPassword = box_text.substr(0, kMaxPasswordChars);
}
