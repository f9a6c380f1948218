// The operating-system calls the folder walk and the path check are written
// against. On Windows they are the real ANSI API; elsewhere the POSIX back end
// (Platform-posix.cpp) provides the same four calls and the same record, so
// the walk reads identically on every platform.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#else

#include <dirent.h>

#include <cstdint>

using DWORD = std::uint32_t;
using BOOL = int;
using HANDLE = void*;

// Values with the meaning and bit patterns of their Windows namesakes.
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10u;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20u;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400u;

// One directory entry. The name holds as many bytes as the OS's own directory
// entry can, terminating zero byte included.
struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  char cFileName[sizeof(dirent::d_name)];
};

// Attribute mask of an existing path, or INVALID_FILE_ATTRIBUTES. A path that
// names a folder, or a link to one, has FILE_ATTRIBUTE_DIRECTORY set.
DWORD GetFileAttributesA(const char* path);

// Opens an enumeration of the folder named by a pattern of the form
// folder "\*.*" and fills data with the first entry ("." included).
// INVALID_HANDLE_VALUE when the folder cannot be enumerated.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);

// Fills data with the next entry; zero when none is left or reading fails.
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);

// Ends an enumeration opened by FindFirstFileA.
BOOL FindClose(HANDLE find);

#endif
