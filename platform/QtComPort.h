#pragma once
// The port component on QSerialPort (Linux). Timer triggers count 55 ms
// ticks; the output buffer is a fixed size less what the
// serial port still has to write.
//
// A device that goes away while open (an unplugged USB adapter, a pty whose
// other end closed) closes the port at once and fires OnPortClose. The port
// then stays closed while the program runs on: writes are dropped, timer
// triggers keep working, and about once a second the port tries the same
// device again; when it opens, OnPortOpen fires and traffic resumes.

#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "modbus/PortComponent.h"
#include "platform/PortEvents.h"

namespace kestro {

class QtComPort : public PortComponent {
  public:
    explicit QtComPort(int outBufferSize = 4096);
    ~QtComPort() override;

    void setOpen(bool open) override;
    bool isOpen() const override { return serial_.isOpen(); }
    TriggerHandle addTimerTrigger() override;
    void setTimerTrigger(TriggerHandle handle, int ticks, bool activate) override;
    int outBuffFree() const override;
    int getBlock(uint8_t* data, int length) override;

    // The device the port opened (or tries to reopen); empty before the
    // first open.
    QString deviceName() const { return device_; }

    static constexpr int kReopenCheckMs = 1000;

    // The driver's RS-485 mode on the open device: not available, on
    // already, or switched on by this port (and off again when it closes).
    enum class Rs485 { Off, On, SwitchedOn };

  protected:
    void writeBlock(const uint8_t* data, int length) override;
    void applyModemLines() override;
    void applyBaud() override;

  private:
    bool openDevice();
    void closeDevice();
    void onError(QSerialPort::SerialPortError error);
    void onReadyRead();
    void deliverAvailable();
    void checkDevice();

    QSerialPort serial_;
    int outBufferSize_;
    bool wantOpen_ = false;
    bool availPending_ = false;
    Rs485 rs485_ = Rs485::Off;
    QString device_;
    PortTriggers triggers_;
    QTimer reopenTimer_;
};

}  // namespace kestro
