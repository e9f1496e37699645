#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace kova::test {

// One request as the test server saw it.
struct TXSeenRequest {
  std::string Method;
  std::string Path;
  std::string Query;
  std::string Agent;
  std::string Referer;
  std::map<std::string, std::string> Form;
};

// The Python test server (tests/online/http_server.py) on a free loopback port, serving the
// files of a temporary folder. Started by the constructor, stopped by the destructor.
class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  bool Running() const { return port_ > 0; }
  // "http://127.0.0.1:PORT" followed by the path (which starts with "/").
  std::string Url(const std::string& path) const;
  // The base address that stands for "http://www." in server addresses.
  std::string BaseUrl() const { return Url("/"); }

  // Writes a file that the server serves under "/" + relative.
  void Serve(const std::string& relative, const std::string& content);
  void Serve(const std::string& relative, const std::vector<uint8_t>& content);
  // The requests seen so far, oldest first.
  std::vector<TXSeenRequest> Requests() const;
  std::vector<TXSeenRequest> RequestsTo(const std::string& path) const;

 private:
  TempDir root_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace kova::test
