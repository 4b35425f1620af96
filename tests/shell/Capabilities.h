#pragma once
// Root writes into read-only folders and opens any device, also one that
// another program holds exclusively. For the scope of these objects the
// calling thread gives up such overrides, so that the test meets what an
// ordinary user meets. For an ordinary user they change nothing.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <initializer_list>

namespace kestro::test {

class WithoutCapabilities {
  public:
    explicit WithoutCapabilities(std::initializer_list<int> capabilities) {
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (const int cap : capabilities)
            reduced[cap / 32].effective &= ~(1u << (cap % 32));
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutCapabilities() {
        if (active_)
            syscall(SYS_capset, &header_, saved_);
    }
    WithoutCapabilities(const WithoutCapabilities&) = delete;
    WithoutCapabilities& operator=(const WithoutCapabilities&) = delete;

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool active_ = false;
};

// Folder and file permissions apply.
class WithoutFileOverrides : public WithoutCapabilities {
  public:
    WithoutFileOverrides()
        : WithoutCapabilities({CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {}
};

// A terminal another program holds exclusively refuses to open.
class WithoutExclusiveOverride : public WithoutCapabilities {
  public:
    WithoutExclusiveOverride() : WithoutCapabilities({CAP_SYS_ADMIN}) {}
};

}  // namespace kestro::test
