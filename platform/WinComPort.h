#pragma once
// The port component on Windows, on the Win32 serial calls. The device is
// opened for overlapped I/O; the wait for received characters, the read and
// the write each have an event handle that a QWinEventNotifier watches, so
// every completion is handled on the UI thread without a thread of our own.
// (No I/O completion port: under Wine, WaitCommEvent never completes once
// the handle belongs to one.)
//
// Timer triggers count 55 ms ticks; the output buffer is a fixed size less
// what is still queued for writing. A device that goes away while open (an
// unplugged USB adapter) closes the port, when a call on it fails or within
// a second by the presence check, and fires OnPortClose; about
// once a second the port then tries the same device again, and when it
// opens, OnPortOpen fires and traffic resumes.

#include <QTimer>
#include <QWinEventNotifier>
#include <memory>
#include <string>
#include <vector>

#include "modbus/PortComponent.h"
#include "platform/PortEvents.h"

namespace kestro {

class WinComPort : public PortComponent {
  public:
    explicit WinComPort(int outBufferSize = 4096);
    ~WinComPort() override;

    void setOpen(bool open) override;
    bool isOpen() const override;
    TriggerHandle addTimerTrigger() override;
    void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) override;
    int outBuffFree() const override;
    int getBlock(uint8_t* data, int length) override;

    // The device name the port opened (or tries to reopen), as CreateFile
    // takes it ("\\.\COM12"); empty before the first open.
    std::string deviceName() const { return device_; }

    static constexpr int kReopenCheckMs = 1000;

  protected:
    void writeBlock(const uint8_t* data, int length) override;
    void applyModemLines() override;
    void applyBaud() override;

  private:
    struct Io;  // the handle and its overlapped operations

    bool openDevice();
    void closeDevice();
    void deviceLost();
    void checkDevice();
    void checkPresence();
    void waitForCharacters();
    void onWaitDone();
    void readWaiting();
    void onReadDone();
    void writeQueued();
    void onWriteDone();
    void deliverAvailable();

    int outBufferSize_;
    bool wantOpen_ = false;
    bool availPending_ = false;
    bool rtsToggles_ = false;
    bool pollsDriver_ = false;
    std::string device_;
    std::unique_ptr<Io> io_;
    std::vector<uint8_t> received_;
    std::vector<uint8_t> outQueue_;
    PortTriggers triggers_;
    QTimer reopenTimer_;
    QTimer presenceTimer_;
    QTimer pollTimer_;
};

}  // namespace kestro
