#include "platform/QtComPort.h"

#include <QFile>
#include <algorithm>

#include "platform/PortEvents.h"
#include "platform/core/PortMap.h"

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif
#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kestro {

namespace {

// Asks the driver to switch the transmitter itself: RTS high while sending.
// Adapters that switch direction by themselves and ptys refuse the request;
// they work as they are.
QtComPort::Rs485 enableRs485(QSerialPort& serial) {
    using Rs485 = QtComPort::Rs485;
#if defined(Q_OS_LINUX)
    serial_rs485 rs485{};
    if (ioctl(serial.handle(), TIOCGRS485, &rs485) != 0)
        return Rs485::Off;
    if (rs485.flags & SER_RS485_ENABLED)
        return Rs485::On;
    rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs485.flags &= ~SER_RS485_RTS_AFTER_SEND;
    return ioctl(serial.handle(), TIOCSRS485, &rs485) == 0 ? Rs485::SwitchedOn : Rs485::Off;
#else
    (void)serial;
    return Rs485::Off;
#endif
}

// Leaves the device in the mode it had before the port opened it.
void disableRs485(QSerialPort& serial) {
#if defined(Q_OS_LINUX)
    serial_rs485 rs485{};
    if (ioctl(serial.handle(), TIOCGRS485, &rs485) != 0)
        return;
    rs485.flags &= ~SER_RS485_ENABLED;
    ioctl(serial.handle(), TIOCSRS485, &rs485);
#else
    (void)serial;
#endif
}

QSerialPort::Parity toQt(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

// The codes that mean the device is gone. QSerialPort keeps reporting a
// read error many thousand times a second on a vanished device, so these
// close the port at once. Its error text can be stale: only codes count.
bool deviceLost(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

// Why the device did not open, in the terms every port component uses.
// QSerialPort reports a device held by another program and one the user may
// not open alike, so on Unix the device is asked once more, the way the
// port list asks it.
PortProblem openProblem(const QSerialPort& serial, const QString& device) {
    PortProblem problem;
    problem.device = device.toStdString();
    problem.detail = serial.errorString().toStdString();
    problem.fault = PortFault::Other;
#if defined(Q_OS_UNIX)
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    if (error == EACCES || error == EPERM)
        problem.fault = PortFault::AccessDenied;
    else if (error == EBUSY || (fd >= 0 && serial.error() == QSerialPort::PermissionError))
        problem.fault = PortFault::Busy;  // held, or locked by another program
    else if (error == ENOENT || error == ENODEV || error == ENXIO)
        problem.fault = PortFault::Unplugged;
#endif
#if defined(Q_OS_LINUX)
    if (problem.fault == PortFault::AccessDenied)
        problem.advice = "Add your user to the dialout group, then log in again.";
#endif
    return problem;
}

}  // namespace

QtComPort::QtComPort(int outBufferSize)
    : outBufferSize_(outBufferSize),
      triggers_([this] { deliverAvailable(); },
                [this](TriggerHandle handle) { fire(OnTriggerTimer, handle); }) {
    QObject::connect(&serial_, &QSerialPort::errorOccurred, &serial_,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
    QObject::connect(&serial_, &QSerialPort::readyRead, &serial_, [this] { onReadyRead(); });
    reopenTimer_.setInterval(kReopenCheckMs);
    QObject::connect(&reopenTimer_, &QTimer::timeout, &reopenTimer_, [this] { checkDevice(); });
}

QtComPort::~QtComPort() {
    // Closing may still emit signals; nothing of this object may answer them.
    QObject::disconnect(&serial_, nullptr, nullptr, nullptr);
    if (serial_.isOpen())
        closeDevice();
}

void QtComPort::setOpen(bool open) {
    wantOpen_ = open;
    if (!open)
        reopenTimer_.stop();
    if (open && !serial_.isOpen()) {
        device_ = QString::fromStdString(PortMap::devicePath(settings().comNumber));
        if (openDevice())
            fire(OnPortOpen);
    } else if (!open && serial_.isOpen()) {
        closeDevice();
        fire(OnPortClose);
    }
}

bool QtComPort::openDevice() {
    if (device_.isEmpty()) {
        setProblem({PortFault::Other, {}, "no device is set for this port", {}});
        return false;
    }
    const LineSettings& s = settings();
    serial_.setPortName(device_);
    serial_.setBaudRate(s.baud);
    serial_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    serial_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    serial_.setParity(toQt(s.parity));
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!serial_.open(QIODevice::ReadWrite)) {
        setProblem(openProblem(serial_, device_));
        return false;
    }
    setProblem({});
    // Bytes the device held from before belong to nobody.
    serial_.clear();
    rs485_ = s.rs485Mode ? enableRs485(serial_) : Rs485::Off;
    applyModemLines();
    return serial_.isOpen();
}

void QtComPort::closeDevice() {
    availPending_ = false;
    if (rs485_ == Rs485::SwitchedOn)
        disableRs485(serial_);
    rs485_ = Rs485::Off;
    serial_.close();
}

// Adapters and ptys without modem lines refuse these; the line works all
// the same, so a refusal is no error. A device that is gone fails them for
// real and closes the port on the way. In RS-485 mode RTS belongs to the
// driver, which switches the transmitter with it.
void QtComPort::applyModemLines() {
    serial_.setDataTerminalReady(settings().dtr);
    if (serial_.isOpen() && rs485_ == Rs485::Off)
        serial_.setRequestToSend(settings().rts);
}

void QtComPort::applyBaud() {
    serial_.setBaudRate(settings().baud);
}

void QtComPort::onError(QSerialPort::SerialPortError error) {
    if (!deviceLost(error) || !serial_.isOpen())
        return;
    closeDevice();
    setProblem({PortFault::Unplugged, device_.toStdString(), {}, {}});
    if (wantOpen_)
        reopenTimer_.start();
    fire(OnPortClose);
}

void QtComPort::checkDevice() {
    if (!wantOpen_ || serial_.isOpen()) {
        reopenTimer_.stop();
        return;
    }
    if (!openDevice())
        return;
    reopenTimer_.stop();
    fire(OnPortOpen);
}

// Data-available events come from the event loop, never from inside the
// serial port's own signal: a handler may wait with the event loop running,
// and the bytes arriving meanwhile get an event of their own.
void QtComPort::onReadyRead() {
    if (availPending_)
        return;
    availPending_ = true;
    QTimer::singleShot(0, &serial_, [this] { deliverAvailable(); });
}

void QtComPort::deliverAvailable() {
    if (!availPending_)
        return;
    availPending_ = false;
    const qint64 waiting = serial_.isOpen() ? serial_.bytesAvailable() : 0;
    if (waiting > 0)
        fire(OnTriggerAvail, int(waiting));
}

TriggerHandle QtComPort::addTimerTrigger() {
    return triggers_.add();
}

void QtComPort::setTimerTrigger(TriggerHandle handle, int ticks, bool activate) {
    triggers_.set(handle, ticks, activate);
}

int QtComPort::outBuffFree() const {
    if (!serial_.isOpen())
        return outBufferSize_;
    return std::max(0, outBufferSize_ - int(serial_.bytesToWrite()));
}

void QtComPort::writeBlock(const uint8_t* data, int length) {
    if (!serial_.isOpen() || length <= 0)
        return;
    serial_.write(reinterpret_cast<const char*>(data), length);
}

int QtComPort::getBlock(uint8_t* data, int length) {
    if (!serial_.isOpen() || length <= 0)
        return 0;
    return int(std::max<qint64>(0, serial_.read(reinterpret_cast<char*>(data), length)));
}

}  // namespace kestro
