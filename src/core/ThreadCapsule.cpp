#include "core/ThreadCapsule.h"

namespace orv {

TThreadCapsule::TThreadCapsule(Procedure procedure) : procedure_(std::move(procedure)) {
    thread_ = std::thread([this] {
        while (!terminated_.load()) {
            if (procedure_) procedure_(*this);
        }
    });
}

TThreadCapsule::~TThreadCapsule() {
    terminate();
    waitFor();
}

void TThreadCapsule::waitFor() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace orv
