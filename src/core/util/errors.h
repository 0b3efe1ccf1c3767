#pragma once
// The exception classes of the engine. Each carries a message text and reports its
// own class name, so tools and logs can say exactly what failed.
#include <exception>
#include <string>
#include <utility>

namespace velora {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define VELORA_EXCEPTION(Name, Base)                                  \
  class Name : public Base {                                          \
   public:                                                            \
    using Base::Base;                                                 \
    const char* ClassName() const noexcept override { return #Name; } \
  };

VELORA_EXCEPTION(EConvertError, Exception)
VELORA_EXCEPTION(EOSError, Exception)
VELORA_EXCEPTION(EOutOfMemory, Exception)
VELORA_EXCEPTION(EStreamError, Exception)
VELORA_EXCEPTION(EReadError, EStreamError)
VELORA_EXCEPTION(EWriteError, EStreamError)
VELORA_EXCEPTION(EFOpenError, EStreamError)
VELORA_EXCEPTION(EFCreateError, EStreamError)

}  // namespace velora
