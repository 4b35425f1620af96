#pragma once
// Lets the main window's handlers see the events of one of its controls
// without the control knowing: focus entering a field, keys in a field.

#include <QEvent>
#include <QObject>
#include <functional>

namespace kestro {

class EventHook : public QObject {
  public:
    // True from the handler consumes the event.
    using Handler = std::function<bool(QEvent& event)>;

    // The hook lives as long as `watched`.
    static void Install(QObject& watched, Handler handler) {
        watched.installEventFilter(new EventHook(watched, std::move(handler)));
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override { return handler_(*event); }

  private:
    EventHook(QObject& watched, Handler handler)
        : QObject(&watched), handler_(std::move(handler)) {}

    Handler handler_;
};

}  // namespace kestro
