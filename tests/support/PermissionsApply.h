#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <vector>

// While it lives, file permissions bind the calling thread even when the tests run as root: the
// capabilities that override them are taken out of the thread's effective set (they stay
// permitted, and come back when it goes). Capabilities belong to each thread, so only the thread
// that made it is bound; under an unprivileged user it changes nothing. Given a list, it takes
// out those capabilities instead (CAP_SYS_ADMIN: a terminal's exclusive mode binds root too).
class PermissionsApply {
  public:
    PermissionsApply() : PermissionsApply({CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {}
    explicit PermissionsApply(const std::vector<int>& caps) {
        if (::syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct bound[2] = {saved_[0], saved_[1]};
        for (const int cap : caps) {
            bound[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
        }
        changed_ = ::syscall(SYS_capset, &header_, bound) == 0;
    }
    ~PermissionsApply() {
        if (changed_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
    }
    PermissionsApply(const PermissionsApply&) = delete;
    PermissionsApply& operator=(const PermissionsApply&) = delete;

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};
