#pragma once
// How the command's operations fail: a usage error (exit status 2) or a failed operation
// (exit status 1). The message is one line naming the problem.

#include <stdexcept>
#include <string>

namespace kestrion
{
struct UsageError : std::runtime_error
{
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

struct Failure : std::runtime_error
{
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};
} // namespace kestrion
