// A scripted mail server on loopback for the server check's tests: real
// sockets on 127.0.0.1 (or ::1) and a port of the system's choice. It greets,
// answers each command by its first word, or misbehaves as told, and records
// every line the client sent. And a resolver whose answers the test sets.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "net/net.h"

namespace telvora_test {

struct ServerScript {
  enum class Mode {
    normal,         // greets, then answers each command
    silent,         // accepts and never sends a byte
    close_at_once,  // accepts and closes
    drip,           // sends the greeting one byte every 100 ms, then answers as normal
  };
  Mode mode = Mode::normal;
  std::string greeting;
  std::map<std::string, std::string> replies;  // by the command's first word, upper case
  std::chrono::milliseconds delay{0};          // normal: before the greeting
};

class ScriptedServer {
 public:
  explicit ScriptedServer(ServerScript script, net::Address address = net::Address::v4(127, 0, 0, 1),
                          std::uint16_t port = 0)
      : script_(std::move(script)), listener_(net::Listener::listen(address, port)) {
    if (listener_.valid()) thread_ = std::thread([this] { serve(); });
  }
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  ~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  bool valid() const { return listener_.valid(); }
  std::uint16_t port() const { return listener_.port(); }

  // The lines the client sent, once it has closed its connection (or after
  // a generous wait, when it never does).
  std::vector<std::string> received() {
    std::unique_lock lock(mutex_);
    done_changed_.wait_for(lock, std::chrono::seconds(20), [this] { return connections_done_ > 0; });
    return lines_;
  }

 private:
  static net::Deadline soon() { return net::Clock::now() + std::chrono::milliseconds(100); }

  void serve() {
    while (!stop_) {
      net::Connection connection = listener_.accept(soon());
      if (!connection.valid()) continue;
      talk(connection);
      connection.close();
      {
        const std::lock_guard lock(mutex_);
        ++connections_done_;
      }
      done_changed_.notify_all();
    }
  }

  bool send(net::Connection& connection, const std::string& bytes) {
    return connection.send_all(bytes, net::Clock::now() + std::chrono::seconds(10)) == net::IoStatus::ok;
  }

  void talk(net::Connection& connection) {
    switch (script_.mode) {
      case ServerScript::Mode::close_at_once: return;
      case ServerScript::Mode::silent: break;
      case ServerScript::Mode::drip:
        for (const char c : script_.greeting) {
          if (stop_ || !send(connection, std::string(1, c))) return;
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        break;
      case ServerScript::Mode::normal:
        for (const auto until = net::Clock::now() + script_.delay; net::Clock::now() < until;) {
          if (stop_) return;
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!send(connection, script_.greeting)) return;
        break;
    }
    std::string pending;
    char buffer[4096];
    while (!stop_) {
      std::size_t received = 0;
      const net::IoStatus status = connection.receive(buffer, sizeof buffer, received, soon());
      if (status == net::IoStatus::timed_out) continue;
      if (status != net::IoStatus::ok) return;
      pending.append(buffer, received);
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
        std::string line = pending.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        {
          const std::lock_guard lock(mutex_);
          lines_.push_back(line);
        }
        if (script_.mode == ServerScript::Mode::silent) continue;
        std::string word = line.substr(0, line.find(' '));
        for (char& c : word) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        const auto reply = script_.replies.find(word);
        if (reply != script_.replies.end() && !send(connection, reply->second)) return;
      }
    }
  }

  ServerScript script_;
  net::Listener listener_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable done_changed_;
  std::vector<std::string> lines_;
  int connections_done_ = 0;
  std::thread thread_;
};

// A resolver that answers from a table (any other name: no answer), after a
// delay when one is set, and records the names it was asked.
class TableResolver : public net::Resolver {
 public:
  explicit TableResolver(std::map<std::string, net::Lookup> answers,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(0))
      : answers_(std::move(answers)), delay_(delay) {}

  net::Lookup lookup(const std::string& host) override {
    {
      const std::lock_guard lock(mutex_);
      asked_.push_back(host);
    }
    std::this_thread::sleep_for(delay_);
    const auto found = answers_.find(host);
    return found == answers_.end() ? net::Lookup{} : found->second;
  }

  std::vector<std::string> asked() {
    const std::lock_guard lock(mutex_);
    return asked_;
  }

 private:
  const std::map<std::string, net::Lookup> answers_;
  const std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::vector<std::string> asked_;
};

}  // namespace telvora_test
