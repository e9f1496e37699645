#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/stream.h"

// A small HTTP/1.1 client over libcurl for the online services: HEAD, GET and form POST, a read
// timeout, redirect control, body callbacks and an abort that the callbacks may call. One client
// belongs to one thread at a time.
namespace kova {

// Every failure of an exchange.
class EXNetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The connection could not be made, broke or timed out. Code is libcurl's, OSError the system's.
class EXSocketError : public EXNetError {
 public:
  EXSocketError(const std::string& message, int code, int osError)
      : EXNetError(message), Code(code), OSError(osError) {}
  int Code;
  int OSError;
};

// The server answered with an error status (400 and above).
class EXHttpStatusError : public EXNetError {
 public:
  explicit EXHttpStatusError(int status);
  int Status;
};

// The server answered with a redirect while redirects are not followed.
class EXHttpRedirect : public EXNetError {
 public:
  EXHttpRedirect(int status, std::string location);
  int Status;
  std::string Location;
};

// A callback asked to disconnect.
class EXNetAborted : public EXNetError {
 public:
  EXNetAborted() : EXNetError("the transfer was aborted") {}
};

struct TXHttpProxy {
  std::string Server;
  int32_t Port = 0;
  std::string UserName;
  std::string Password;
};

class TXHttpClient {
 public:
  static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; Velmora Kova)";

  TXHttpClient();
  ~TXHttpClient();
  TXHttpClient(const TXHttpClient&) = delete;
  TXHttpClient& operator=(const TXHttpClient&) = delete;

  // The longest wait for the connection and for the next bytes of an answer.
  int32_t ReadTimeoutMs = 30000;
  // When false, a redirect answer ends the exchange with EXHttpRedirect.
  bool FollowRedirects = false;
  std::string UserAgent = kDefaultUserAgent;
  // Sent when not empty.
  std::string Referer;

  // Called for the body of a GET or POST answer (not for HEAD, error statuses or redirects):
  // at its start with the announced length (0 when the server announces none), after each part
  // with the bytes of this body so far, and at its end with its length.
  std::function<void(int64_t expected)> OnBodyStart;
  std::function<void(int64_t received)> OnBodyProgress;
  std::function<void(int64_t length)> OnBodyEnd;
  // Asked while an exchange waits for data; true disconnects.
  std::function<bool()> ShouldAbort;

  void SetProxy(const TXHttpProxy& proxy) { proxy_ = proxy; }
  void ClearProxy() { proxy_ = {}; }
  const TXHttpProxy& Proxy() const { return proxy_; }

  // The content length the server announces, -1 when it announces none.
  int64_t Head(const std::string& url);
  // The answer's body is written to the stream.
  void Get(const std::string& url, TXStream& body);
  // Posts the fields (lines "name=value") as an URL-encoded form.
  void Post(const std::string& url, const std::vector<std::string>& fields, TXStream& body);

  // From a callback: the exchange ends with EXNetAborted.
  void Disconnect() { aborted_ = true; }
  // False after a disconnect, until the next exchange.
  bool Connected() const { return !aborted_; }

  // The status of the last answer, 0 before the first.
  int32_t LastStatus() const { return lastStatus_; }

 private:
  struct Exchange;
  enum class Method { Head, Get, Post };

  void Perform(Method method, const std::string& url, const std::string& form, TXStream* body);
  void Configure(Method method, const std::string& url, const std::string& form,
                 Exchange& exchange);
  void CheckOutcome(int code, Exchange& exchange);
  std::string EncodeForm(const std::vector<std::string>& fields) const;

  static size_t WriteBody(char* data, size_t size, size_t count, void* user);
  static size_t ReadHeader(char* data, size_t size, size_t count, void* user);
  static int TransferInfo(void* user, int64_t, int64_t, int64_t, int64_t);

  void* handle_;
  TXHttpProxy proxy_;
  bool aborted_ = false;
  int32_t lastStatus_ = 0;
};

}  // namespace kova
