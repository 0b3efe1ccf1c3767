// Messages, launching, and the text and number helpers of the utility library.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "util/TarnoTPU.h"

namespace velora {

namespace {

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}

MessageHook& CurrentMessageHook() {
  static MessageHook hook;
  return hook;
}

ShellOpenHook& CurrentShellOpenHook() {
  static ShellOpenHook hook;
  return hook;
}

void ShowMessage(MessageKind kind, const std::string& text) {
  if (text.empty()) return;
  const std::string expanded = ExpandCRLF(text);
  MessageHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = CurrentMessageHook();
  }
  if (hook) {
    hook(kind, expanded);
  } else {
    std::lock_guard lock(HookMutex());
    std::cerr << MessageTitle(kind) << ": " << expanded << std::endl;
  }
}

// Replaces every occurrence, left to right, without looking into replaced text.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  size_t start = 0;
  for (size_t hit; (hit = text.find(from, start)) != std::string::npos; start = hit + from.size()) {
    out.append(text, start, hit - start);
    out += to;
  }
  out.append(text, start, std::string::npos);
  return out;
}

// The general number format: at most 15 significant digits, no trailing zeros, plain
// for magnitudes from 0.0001 up to below 1E15, scientific otherwise.
std::string GeneralFormat(double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (x == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", x);  // d.dddddddddddddde[+-]x
  const std::string s = buffer;
  const bool negative = s[0] == '-';
  const size_t e = s.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i) {
    if (s[i] != '.') digits += s[i];
  }
  const int exponent = std::atoi(s.c_str() + e + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= -4 && exponent < 15) {
    if (exponent < 0) {
      out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (digits.size() <= static_cast<size_t>(exponent) + 1) {
      out += digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
      out += digits.substr(0, static_cast<size_t>(exponent) + 1) + "." +
             digits.substr(static_cast<size_t>(exponent) + 1);
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  }
  return out;
}

}  // namespace

const char* MessageTitle(MessageKind kind) {
  switch (kind) {
    case MessageKind::Plain:
      return kProductName;
    case MessageKind::Error:
      return "Error";
    case MessageKind::Warning:
      return "Warning";
    case MessageKind::Info:
      return "Information";
  }
  return "";
}

void SetMessageHook(MessageHook hook) {
  std::lock_guard lock(HookMutex());
  CurrentMessageHook() = std::move(hook);
}

void MsgPlain(const std::string& text) {
  ShowMessage(MessageKind::Plain, text);
}
void MsgError(const std::string& text) {
  ShowMessage(MessageKind::Error, text);
}
void MsgWarning(const std::string& text) {
  ShowMessage(MessageKind::Warning, text);
}
void MsgInfo(const std::string& text) {
  ShowMessage(MessageKind::Info, text);
}

void SetShellOpenHook(ShellOpenHook hook) {
  std::lock_guard lock(HookMutex());
  CurrentShellOpenHook() = std::move(hook);
}

void ShellOpen(const std::string& target) {
  ShellOpenHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = CurrentShellOpenHook();
  }
  if (hook) {
    hook(target);
  } else {
    std::lock_guard lock(HookMutex());
    std::cerr << "open: " << target << std::endl;
  }
}

std::string ExpandCRLF(const std::string& text) {
  std::string s = ReplaceAll(text, "CRLF ", "CRLF");
  s = ReplaceAll(s, " CRLF ", "CRLF");
  return ReplaceAll(s, "CRLF", "\r\n");
}

std::string FormatReal(int decimals, double x) {
  std::string s = GeneralFormat(x);
  for (char& c : s) {
    if (c == ',') c = '.';
  }
  const size_t point = s.find('.');
  if (point == std::string::npos) return s;
  return s.substr(0, point + 1 + static_cast<size_t>(std::max(decimals, 0)));
}

std::string IntText(int n) {
  return std::to_string(n);
}

std::string CopyRange(const std::string& text, int from, int to) {
  const long count = static_cast<long>(to) - from + 1;
  const long start = from < 1 ? 1 : from;
  if (count <= 0 || start > static_cast<long>(text.size())) return "";
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

std::string ReverseText(const std::string& text) {
  return {text.rbegin(), text.rend()};
}

int LastPos(const std::string& part, const std::string& text) {
  if (part.empty()) return 0;
  const size_t q = ReverseText(text).find(ReverseText(part));
  if (q == std::string::npos) return 0;
  return static_cast<int>(text.size() - part.size() - (q + 1) + 2);
}

}  // namespace velora
