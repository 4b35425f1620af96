#pragma once
// The link's frames as a published stream: the link has room for one
// observer, the feed is that observer and passes every frame on to any
// number of listeners (the traffic log, the monitor, the finder, ...).

#include <vector>

#include "modbus/FrameObserver.h"

namespace kestro {

class FrameFeed : public FrameObserver {
  public:
    // A listener is called in the order of subscription, once per frame;
    // it may subscribe or unsubscribe listeners from inside a call.
    void subscribe(FrameObserver& listener);
    void unsubscribe(FrameObserver& listener);

    void onFrame(const FrameEvent& event) override;

  private:
    std::vector<FrameObserver*> listeners_;
};

}  // namespace kestro
