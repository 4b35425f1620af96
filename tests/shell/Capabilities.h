#pragma once
// Root writes into read-only folders and opens any device. For the scope of
// this object the calling thread gives up those overrides, so a folder
// without write permission is one for the test as well. Without them (an
// ordinary user) this does nothing.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kestro::test {

class WithoutFileOverrides {
  public:
    WithoutFileOverrides() {
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[0].effective &= ~(1u << cap);
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutFileOverrides() {
        if (active_)
            syscall(SYS_capset, &header_, saved_);
    }
    WithoutFileOverrides(const WithoutFileOverrides&) = delete;
    WithoutFileOverrides& operator=(const WithoutFileOverrides&) = delete;

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool active_ = false;
};

}  // namespace kestro::test
