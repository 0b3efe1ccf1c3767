// The HTTP GET of the update checker, over libcurl's multi interface so that a stall is
// noticed to the millisecond and the transfer stays synchronous for the caller.
#include "update/http_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>

namespace velora {

namespace {

using Clock = std::chrono::steady_clock;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The state of one transfer, shared with libcurl's callbacks.
struct Transfer {
  Transfer(const HttpGetOptions& o, const HttpGetHandler& h, CURL* e)
      : options(o), handler(h), easy(e) {}
  const HttpGetOptions& options;
  const HttpGetHandler& handler;
  CURL* easy;
  bool bodyStarted = false;
  bool failed = false;
  bool stopped = false;
  int64_t received = 0;
  Clock::time_point lastActivity = Clock::now();
  std::exception_ptr error;

  long Status() const {
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status;
  }

  // A redirection that libcurl is about to follow: its body is not the one asked for.
  bool BeingRedirected() const {
    const long status = Status();
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    return status >= 300 && status <= 399 && location != nullptr;
  }

  bool StartBody() {
    bodyStarted = true;
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > options.maxBodyBytes) {
      failed = true;
      return false;
    }
    if (!handler.onBody(Status(), length)) {
      stopped = true;
      return false;
    }
    return true;
  }
};

size_t ReceiveHeader(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  t.lastActivity = Clock::now();
  // A status line starts the next response of a redirection chain.
  if (n >= 5 && std::equal(data, data + 5, "HTTP/")) {
    t.bodyStarted = false;
    t.received = 0;
  }
  return n;
}

size_t ReceiveBody(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t n = size * count;
  t.lastActivity = Clock::now();
  try {
    if (!t.bodyStarted) {
      if (t.BeingRedirected()) return n;
      if (!t.StartBody()) return 0;
    }
    if (t.received + static_cast<int64_t>(n) > t.options.maxBodyBytes) {
      t.failed = true;
      return 0;
    }
    t.received += static_cast<int64_t>(n);
    if (!t.handler.onChunk(data, n)) {
      t.stopped = true;
      return 0;
    }
  } catch (...) {
    // Exceptions must not cross libcurl's C frames; HttpGet throws it again.
    t.error = std::current_exception();
    return 0;
  }
  return n;
}

}  // namespace

HttpGetResult HttpGet(const HttpGetOptions& options, const HttpGetHandler& handler) {
  curl_slist* list = nullptr;
  for (const char* header : {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
    curl_slist* longer = curl_slist_append(list, header);
    if (!longer) {
      curl_slist_free_all(list);
      return HttpGetResult::Failed;
    }
    list = longer;
  }
  // Declared first, released last: the handles refer to it until they are cleaned up.
  std::unique_ptr<curl_slist, ListDeleter> headers(list);

  GlobalInit();
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!easy || !multi) return HttpGetResult::Failed;

  Transfer t(options, handler, easy.get());
  CURL* e = easy.get();
  const long stallMs = static_cast<long>(std::max<int64_t>(1, options.stallTimeout.count()));
  curl_easy_setopt(e, CURLOPT_URL, options.url.c_str());
  curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(e, CURLOPT_USERAGENT, "TWebUpdate");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(options.maxRedirections));
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(options.chunkBytes));
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBodyBytes));
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, stallMs);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, ReceiveHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, ReceiveBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
  if (!options.userName.empty()) curl_easy_setopt(e, CURLOPT_USERNAME, options.userName.c_str());
  if (!options.password.empty()) curl_easy_setopt(e, CURLOPT_PASSWORD, options.password.c_str());

  if (curl_multi_add_handle(multi.get(), e) != CURLM_OK) return HttpGetResult::Failed;
  CURLcode result = CURLE_OK;
  bool interrupted = false;
  int running = 1;
  while (running) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    if (!running) break;
    if (handler.cancelled && handler.cancelled()) {
      t.stopped = interrupted = true;
      break;
    }
    const auto idle =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t.lastActivity);
    if (idle >= options.stallTimeout) {
      t.failed = interrupted = true;
      break;
    }
    const auto wait = std::clamp<int64_t>((options.stallTimeout - idle).count(), 1, 100);
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(wait), nullptr);
  }
  if (!interrupted) {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
      if (message->msg == CURLMSG_DONE) result = message->data.result;
    }
  }
  curl_multi_remove_handle(multi.get(), e);

  if (t.error) std::rethrow_exception(t.error);
  if (t.stopped) return HttpGetResult::Stopped;
  if (t.failed || result != CURLE_OK) return HttpGetResult::Failed;
  if (!t.bodyStarted && !t.StartBody()) {
    return t.stopped ? HttpGetResult::Stopped : HttpGetResult::Failed;
  }
  return HttpGetResult::Complete;
}

}  // namespace velora
