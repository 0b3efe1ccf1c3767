#include "loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <sstream>
#include <stdexcept>

namespace velora::test {

namespace {

// How long the server waits for a request's header before it gives up on a connection.
constexpr int kRequestTimeoutMs = 5000;

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

// The request's header block, or "" when the client sends none in time.
std::string ReadRequestHead(int fd) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kRequestTimeoutMs) <= 0) return "";
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return "";
    head.append(buffer, static_cast<size_t>(n));
  }
  return head;
}

HttpRequest ParseRequest(const std::string& head) {
  HttpRequest request;
  std::istringstream lines(head);
  std::string line;
  std::getline(lines, line);
  std::istringstream first(line);
  first >> request.method >> request.target >> request.version;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    request.headers.emplace_back(line.substr(0, colon), value);
  }
  return request;
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (SameText(key, name)) return value;
  }
  return "";
}

void HttpConnection::Send(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client went away
    done += static_cast<size_t>(n);
  }
}

void HttpConnection::Stall() {
  pollfd p[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (p[0].revents) {
      char buffer[256];
      if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return;
    }
  }
}

std::string HttpResponse(int status, const std::string& body, const std::string& extraHeaders,
                         bool withContentLength) {
  std::string response = "HTTP/1.0 " + std::to_string(status) + " " + Reason(status) + "\r\n";
  if (withContentLength) response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return response + extraHeaders + "\r\n" + body;
}

LoopbackHttpServer::LoopbackHttpServer() {
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listenFd_, 16) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on the loopback interface");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  const char stop = 1;
  (void)!::write(stopPipe_[1], &stop, 1);
  thread_.join();
  ::close(listenFd_);
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
}

void LoopbackHttpServer::Handle(const std::string& path, HttpHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[path] = std::move(handler);
}

void LoopbackHttpServer::Serve(const std::string& path, const std::string& rawResponse) {
  Handle(path, [rawResponse](const HttpRequest&, HttpConnection& c) { c.Send(rawResponse); });
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<HttpRequest> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackHttpServer::Run() {
  pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  for (;;) {
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
  }
}

void LoopbackHttpServer::Answer(int fd) {
  const std::string head = ReadRequestHead(fd);
  if (head.empty()) return;
  const HttpRequest request = ParseRequest(head);
  HttpHandler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    const auto found = handlers_.find(request.target);
    if (found != handlers_.end()) handler = found->second;
  }
  HttpConnection connection(fd, stopPipe_[0]);
  if (handler) {
    handler(request, connection);
  } else {
    connection.Send(HttpResponse(404, "<html>Not Found</html>"));
  }
}

}  // namespace velora::test
