#pragma once
// FIFOs for the tests of the files the programs keep: made with mkfifo in a test's folder,
// and a guard that ends an open of one that blocks. After a while the guard opens the
// FIFO's other end, so a program stuck on it goes on and the test fails on what follows
// instead of never ending. POSIX: the tests that use it run where FIFOs exist.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>

namespace tarvo::test {

inline bool makeFifo(const QString& path) {
  return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

class FifoRescue {
 public:
  explicit FifoRescue(const QString& path, std::chrono::seconds after = std::chrono::seconds(20))
      : path_(QFile::encodeName(path).toStdString()) {
    // A writer let through would be killed by SIGPIPE once the guard closes its end.
    std::signal(SIGPIPE, SIG_IGN);
    thread_ = std::thread([this, after] {
      std::unique_lock lock(mutex_);
      if (cv_.wait_for(lock, after, [this] { return done_; })) return;
      rescued_ = true;
      const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK);
      if (fd < 0) return;
      // Time for the blocked side to go on; closing then ends its reads.
      cv_.wait_for(lock, std::chrono::milliseconds(500), [this] { return done_; });
      char buffer[4096];
      while (::read(fd, buffer, sizeof buffer) > 0) {
      }
      ::close(fd);
    });
  }
  FifoRescue(const FifoRescue&) = delete;
  FifoRescue& operator=(const FifoRescue&) = delete;
  ~FifoRescue() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

  // True when something blocked on the FIFO and had to be let go.
  bool rescued() const {
    std::lock_guard lock(mutex_);
    return rescued_;
  }

 private:
  std::string path_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  bool rescued_ = false;
  std::thread thread_;
};

}  // namespace tarvo::test
