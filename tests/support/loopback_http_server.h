#pragma once
// A small HTTP server for tests: listens on 127.0.0.1 on a port the system picks, answers
// one connection at a time on its own thread, and records the requests it saw. Nothing
// leaves the machine.
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velora::test {

struct HttpRequest {
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;
  // The value of a header (name without regard to case), "" when absent.
  std::string Header(const std::string& name) const;
};

// The server's side of one connection, handed to a handler.
class HttpConnection {
 public:
  HttpConnection(int fd, int stopFd) : fd_(fd), stopFd_(stopFd) {}
  void Send(const std::string& bytes);
  // Sends nothing more and waits until the client gives up or the server stops.
  void Stall();

 private:
  int fd_;
  int stopFd_;
};

using HttpHandler = std::function<void(const HttpRequest&, HttpConnection&)>;

// "HTTP/1.0 <status> <reason>", a Content-Length header unless told otherwise, the extra
// header lines (each ending in "\r\n"), a blank line and the body.
std::string HttpResponse(int status, const std::string& body, const std::string& extraHeaders = "",
                         bool withContentLength = true);

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Requests for `path` (the request target as sent) go to the handler; others get 404.
  void Handle(const std::string& path, HttpHandler handler);
  // Requests for `path` get these bytes, then the connection closes.
  void Serve(const std::string& path, const std::string& rawResponse);

  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by the path.
  std::string Url(const std::string& path) const;
  std::vector<HttpRequest> Requests() const;

 private:
  void Run();
  void Answer(int fd);

  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, HttpHandler> handlers_;
  std::vector<HttpRequest> requests_;
  std::thread thread_;
};

}  // namespace velora::test
