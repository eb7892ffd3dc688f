// How the store's core reports a failure: a code the automation side hands
// on to its caller, with a readable message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "files.h"

namespace localstore {

// Failure codes, as the automation side reports them.
enum class Code : std::uint32_t {
  CallFailed = 0x80004005,
  InvalidParameter = 0x80070057,
  NoSupport = 0x80040102,
  ObjectDeleted = 0x8004010A,
  NotFound = 0x8004010F,
  LogonFailed = 0x80040111,
  DiskError = 0x80040116,
  CorruptData = 0x8004011B,
  Collision = 0x80040604,
  NotInitialized = 0x80040605,
};

class StoreFailure : public std::runtime_error {
 public:
  StoreFailure(Code code, const std::string& message) : std::runtime_error(message), code_(code) {}
  Code code() const { return code_; }

 private:
  Code code_;
};

// A failed file operation as a failure: a missing file is NotFound, any
// other trouble a disk error.
[[noreturn]] inline void ThrowFile(const FileError& error, const std::string& doing) {
  throw StoreFailure(error.not_found ? Code::NotFound : Code::DiskError, doing + ": " + error.message);
}

}  // namespace localstore
