// The operating-system types and values the folder walk and the path check
// are written against (platform/FolderSource.h has the calls). On Windows they
// are the real API's, but for the entry record, which holds names in UTF-8;
// elsewhere the same names with the same bit patterns, so that the walk reads
// identically on every platform.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The program's own entry record in place of the system's ANSI one: the same
// fields, with the name in UTF-8 as the back end converts it from the wide
// find calls. A name of up to MAX_PATH - 1 UTF-16 units takes up to three
// bytes a unit, more than the ANSI record's MAX_PATH bytes hold.
struct ProgramFindData {
  DWORD dwFileAttributes;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  char cFileName[3 * MAX_PATH];
};
#define WIN32_FIND_DATAA ProgramFindData

// Every sharing mode: the program's own opens never keep others from
// reading, writing, renaming or deleting.
inline constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

#endif
