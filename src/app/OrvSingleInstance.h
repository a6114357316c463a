#pragma once
// One Orv per user: a lock file named after "REDAVOD36Erir" in the user's runtime
// directory, and a local socket over which a second copy asks the first to come
// forward.

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace orv::app {

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();

    // True when this process holds the lock (the first copy).
    bool acquire();
    // In the second copy: asks the first copy to bring its window forward.
    void askFirstCopyForward();
    // In the first copy: `onRequest` runs on the event loop when a second copy asks.
    void listen(std::function<void()> onRequest);
    std::string lockPath() const { return lockPath_; }

private:
    std::string lockPath_;
    std::string socketName_;
    int fd_ = -1;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace orv::app
