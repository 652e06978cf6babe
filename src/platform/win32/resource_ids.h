// Identifiers of the resources inside kovrin.exe.
#pragma once

#define IDI_KOVRIN 1
#define IDR_EMPTY_EXE 101
#define IDR_STEAMCMD_EXE 102
