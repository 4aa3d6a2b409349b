// Portable code alone finds this file, ahead of the system's own: whatever
// it includes, directly or through a header, is built natively too, with the
// sanitizers, where there is no Windows to call.
#error "A portable file includes <windows.h>: name it Win32* (or frm*) to build it on the Win32 side, or keep the Windows calls out of it."
