// The step codes of a plan. The pages push them, the Sequencer performs them, and the send
// path queues STEP_SEND_FILES for the further entries of a pack.
#pragma once

enum StepCode : int {
    STEP_SEND_IMAGE = 0,
    STEP_PUT_LOCK_KEY = 1,
    STEP_PUT_UPDATE_BEGIN = 2,
    STEP_PUT_UPDATE_REBOOT = 3,
    STEP_PUT_UPDATE_END = 4,
    STEP_PUT_MACRO = 5,
    STEP_PUT_MACRO_2 = 6,
    STEP_PUT_REQUEST_ID = 7,
    STEP_SHOW_UPGRADE_STATUS = 8,
    STEP_REPORT_DOWNLOAD_DONE = 9,
    STEP_REPORT_CONFIG_SAVED = 10,
    STEP_OTHER_FILE_1 = 11,
    STEP_OTHER_FILE_2 = 12,
    STEP_MACRO_FILE = 13,
    STEP_SEND_FILES = 14,
    STEP_CONNECT = 15,
    STEP_END = 16,
    STEP_GET_FILES = 17,
    STEP_GET_CONFIG_FILES = 18,
    STEP_GET_MODEM_INFO = 19,
    STEP_SHOW_MODEM_INFO = 20,
};
