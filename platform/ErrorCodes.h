// The system's error codes that the core compares results with (the last
// error, a registry or folder call's result). A value header shared by the
// interfaces whose results carry them.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kErrorSuccess = 0;           // ERROR_SUCCESS
inline constexpr std::uint32_t kErrorAlreadyExists = 183;   // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t kErrorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorInvalidData = 13;      // ERROR_INVALID_DATA
inline constexpr std::uint32_t kErrorOutOfMemory = 14;      // ERROR_OUTOFMEMORY
inline constexpr std::uint32_t kErrorAccessDenied = 5;     // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorInvalidHandle = 6;    // ERROR_INVALID_HANDLE

}  // namespace Korvane::PC::Tarnwick
