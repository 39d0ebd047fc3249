// Program entry of Vorlane: everything happens in the viewer library's start-up routine.
#include <winsock2.h>
#include <windows.h>

#include "UVorlaneStartup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return VorlaneMain(); }
