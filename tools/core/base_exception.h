#ifndef KORVAN_TOOLS_CORE_BASE_EXCEPTION_H
#define KORVAN_TOOLS_CORE_BASE_EXCEPTION_H

#include <exception>

namespace Tools {

// The library's exception base. It keeps the pointer it is given and copies
// nothing: every text ever thrown is a string literal.
class BaseException : public std::exception
{
  const char *message;

public:
  explicit BaseException(const char *message) : message(message) {}
  ~BaseException() override;
  const char *what() const noexcept override { return message; }
};

} // namespace Tools

#endif
