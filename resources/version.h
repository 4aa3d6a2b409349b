// The one place the program's identity and version are written down.
// The version record (Cairnkeep.rc), the window caption and the About box
// all take them from here. Keep it to preprocessor definitions so that the
// resource compiler can read it too.
#pragma once

#define CK_VERSION_MAJOR 1
#define CK_VERSION_MINOR 0
#define CK_VERSION_REVISION 0
#define CK_VERSION_BUILD 0

#define CK_STR2(x) #x
#define CK_STR(x) CK_STR2(x)

#define CK_TITLE "Cairnkeep"
#define CK_AUTHOR "the Cairnkeep team"
#define CK_CONTACT "cairnkeep@example.com"
#define CK_EXE_NAME "Cairnkeep.exe"

// The record carries "1.00": major, a dot, and the minor number in two digits.
#define CK_VERSION_RECORD_TEXT CK_STR(CK_VERSION_MAJOR) ".0" CK_STR(CK_VERSION_MINOR)
// The caption carries "v1.0".
#define CK_CAPTION CK_TITLE " v" CK_STR(CK_VERSION_MAJOR) "." CK_STR(CK_VERSION_MINOR) " by " CK_AUTHOR "..."
