#pragma once
// One HTTP GET over libcurl, synchronous, delivering the body in small chunks to the
// caller. Used by the update checker; the decisions about what a response means (status,
// announced size) are the caller's, made in its callbacks.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace velora {

struct HttpGetOptions {
  std::string url;  // http:// or https:// only; other schemes fail
  std::string userName;
  std::string password;
  // Nothing received for this long (connecting and waiting included) fails the transfer.
  std::chrono::milliseconds stallTimeout{30000};
  // A body announced or arriving larger than this fails the transfer.
  int64_t maxBodyBytes = int64_t{64} << 20;
  // HTTP redirections (3xx with a Location) followed before the transfer fails.
  int maxRedirections = 10;
  // Largest chunk handed to onChunk.
  size_t chunkBytes = 1025;
};

struct HttpGetHandler {
  // Once, when the final response's body begins (for an empty body: after the transfer):
  // its status code and its announced Content-Length, -1 when none was sent.
  // False stops the transfer.
  std::function<bool(long status, int64_t contentLength)> onBody;
  // After each chunk of the body. False stops the transfer.
  std::function<bool(const char* data, size_t size)> onChunk;
  // Asked while the transfer waits; true stops it.
  std::function<bool()> cancelled;
};

enum class HttpGetResult {
  Complete,  // the whole body arrived and the callbacks accepted it
  Failed,    // no connection, a protocol error, a stall, a dropped connection, too large a body
  Stopped,   // a callback asked to stop, or `cancelled` said so
};

// Sends GET with HTTP/1.0, "Accept: */*", no caching, the user agent "TWebUpdate", and the
// proxy settings of the environment (http_proxy, https_proxy, no_proxy, ...). An exception
// thrown by a callback stops the transfer and is thrown again from here.
HttpGetResult HttpGet(const HttpGetOptions& options, const HttpGetHandler& handler);

}  // namespace velora
