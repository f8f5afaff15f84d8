// Process-wide data that the pages write and the engines read (or the other way round).
// It lives here, in the engine layer, so that the application and the engine tests share
// the same objects. Plain data on the window's thread, as everywhere in the program.
#pragma once

#include <string_view>

#include "framework/fixed_text.h"

// The password box text as last read: at most kMaxPasswordChars of it, content of the
// "tftplock.key" and "RequestID" writes.
extern fw::FixedText<32> g_szPassword;
inline constexpr std::size_t kMaxPasswordChars = 29;
// Keeps the first kMaxPasswordChars characters of the box text.
void StorePassword(std::string_view box_text);

// The modem's address as dotted text ("255.255.255.255" while broadcasting).
extern fw::FixedText<16> g_szModemAddress;

extern int g_bUnicast;         // 1 = unicast, 0 = broadcast (zero until the page sets it)
extern int g_nTargetOs;        // 0 = "Atmos", 1 = "VxWorks"
extern int g_bUpdateComplete;  // set by the modem's ACK of block 65535

// What the modem tells about itself, filled by the information reads.
extern fw::FixedText<20> g_szCompany;
extern fw::FixedText<20> g_szDate;
extern fw::FixedText<30> g_szHardwareVersion;
extern fw::FixedText<30> g_szFirmwareVersion;
extern fw::FixedText<32> g_szProductId;
extern fw::FixedText<20> g_szMacAddress;
extern fw::FixedText<200> g_szTftpVersion;
extern fw::FixedText<500> g_szHwProfile;
