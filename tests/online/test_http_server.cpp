#include "test_http_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/test_files.h"

extern char** environ;

namespace kova::test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

TestHttpServer::TestHttpServer() {
  const std::string script = (SourceDir() / "tests/online/http_server.py").string();
  const std::string root = root_.Path().string();
  const std::string portFile = (root_.Path() / "port").string();
  std::vector<std::string> args = {"python3", script, "--root", root, "--port-file", portFile};
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  // The server writes nothing the test's output needs.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(portFile)) {
      port_ = std::stoi(ReadText(portFile));
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TestHttpServer::~TestHttpServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

std::string TestHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::Serve(const std::string& relative, const std::string& content) {
  Serve(relative, std::vector<uint8_t>(content.begin(), content.end()));
}

void TestHttpServer::Serve(const std::string& relative, const std::vector<uint8_t>& content) {
  const std::filesystem::path path = root_.Path() / relative;
  std::filesystem::create_directories(path.parent_path());
  WriteFileBytes(path, content);
}

std::vector<TXSeenRequest> TestHttpServer::Requests() const {
  std::vector<TXSeenRequest> requests;
  std::istringstream lines(ReadText(root_.Path() / "requests.log"));
  for (std::string line; std::getline(lines, line);) {
    const QJsonObject entry = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    TXSeenRequest request;
    request.Method = entry["method"].toString().toStdString();
    request.Path = entry["path"].toString().toStdString();
    request.Query = entry["query"].toString().toStdString();
    request.Agent = entry["agent"].toString().toStdString();
    request.Referer = entry["referer"].toString().toStdString();
    const QJsonObject form = entry["form"].toObject();
    for (auto it = form.begin(); it != form.end(); ++it) {
      request.Form[it.key().toStdString()] = it.value().toString().toStdString();
    }
    requests.push_back(request);
  }
  return requests;
}

std::vector<TXSeenRequest> TestHttpServer::RequestsTo(const std::string& path) const {
  std::vector<TXSeenRequest> matching;
  for (TXSeenRequest& request : Requests()) {
    if (request.Path == path) matching.push_back(std::move(request));
  }
  return matching;
}

}  // namespace kova::test
