#include "platform/WinComPort.h"

#include <QString>
#include <algorithm>

#include "platform/PortEvents.h"
#include "platform/WinComDevice.h"
#include "platform/core/PortMap.h"

namespace kestro {

namespace {

constexpr DWORD kDriverBufferSize = 4096;
// How often a driver that cannot wait for characters is asked for them:
// well within the one tick of silence that ends a frame.
constexpr int kDriverPollMs = 10;
// A pending operation ends within moments of being cancelled; this only
// bounds the wait should a driver never end it.
constexpr DWORD kCancelWaitMs = 1000;

BYTE toWin(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Even:
            return EVENPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

// The line as the port's settings have it, without any flow control.
void describeLine(DCB& dcb, const LineSettings& s) {
    dcb.BaudRate = DWORD(s.baud);
    dcb.ByteSize = BYTE(s.dataBits);
    dcb.Parity = toWin(s.parity);
    dcb.StopBits = s.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != Parity::None;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = s.dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = s.rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
}

// One overlapped operation: its event, and the notifier that reports its
// completion on the UI thread.
struct PendingIo {
    OVERLAPPED overlapped{};
    bool busy = false;
    QWinEventNotifier* done = nullptr;
};

// Each operation reports its end through its event; one that ends at once
// sets it too, so that every end is handled in the same place.
bool started(BOOL result, PendingIo& op) {
    if (result) {
        SetEvent(op.overlapped.hEvent);
    } else if (GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    op.busy = true;
    return true;
}

// The end of an operation whose event was set: ERROR_SUCCESS with the bytes
// it moved, ERROR_IO_INCOMPLETE for a notification that came before the
// end, or the error it ended with.
DWORD finished(HANDLE handle, PendingIo& op, DWORD& bytes) {
    ResetEvent(op.overlapped.hEvent);
    if (GetOverlappedResult(handle, &op.overlapped, &bytes, FALSE)) {
        op.busy = false;
        return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_INCOMPLETE)
        op.busy = false;
    return error;
}

// The system's words for an error code.
std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = QString::fromWCharArray(text, int(length)).trimmed();
    LocalFree(text);
    return message.isEmpty() ? "error " + std::to_string(error) : message.toStdString();
}

// The port as the user knows it: "COM12", not "\\.\COM12".
std::string userName(const std::string& deviceName) {
    return deviceName.rfind("\\\\.\\", 0) == 0 ? deviceName.substr(4) : deviceName;
}

// Why the device did not open. Windows refuses a port that another program
// holds with "access denied" (Wine with a sharing violation, if at all).
PortProblem openProblem(DWORD error, const std::string& deviceName) {
    PortProblem problem{PortFault::Other, userName(deviceName), {}, {}};
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            problem.fault = PortFault::Busy;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            problem.fault = PortFault::Unplugged;
            break;
        default:
            problem.detail = systemMessage(error);
    }
    return problem;
}

}  // namespace

struct WinComPort::Io {
    HANDLE handle = INVALID_HANDLE_VALUE;
    PendingIo wait, read, write;
    DWORD eventMask = 0;
    std::vector<uint8_t> reading;  // buffers of operations in flight
    std::vector<uint8_t> writing;
};

WinComPort::WinComPort(int outBufferSize)
    : outBufferSize_(outBufferSize),
      triggers_([this] { deliverAvailable(); },
                [this](TriggerHandle handle) { fire(OnTriggerTimer, handle); }) {
    reopenTimer_.setInterval(kReopenCheckMs);
    QObject::connect(&reopenTimer_, &QTimer::timeout, &reopenTimer_, [this] { checkDevice(); });
    presenceTimer_.setInterval(kReopenCheckMs);
    QObject::connect(&presenceTimer_, &QTimer::timeout, &presenceTimer_,
                     [this] { checkPresence(); });
    pollTimer_.setSingleShot(true);
    pollTimer_.setInterval(kDriverPollMs);
    QObject::connect(&pollTimer_, &QTimer::timeout, &pollTimer_, [this] {
        if (isOpen() && !io_->read.busy)
            readWaiting();
    });
}

WinComPort::~WinComPort() {
    if (isOpen())
        closeDevice();
}

bool WinComPort::isOpen() const {
    return io_ != nullptr;
}

void WinComPort::setOpen(bool open) {
    wantOpen_ = open;
    if (!open)
        reopenTimer_.stop();
    if (open && !isOpen()) {
        device_ = WinDeviceName(PortMap::devicePath(settings().comNumber));
        if (openDevice())
            fire(OnPortOpen);
    } else if (!open && isOpen()) {
        closeDevice();
        fire(OnPortClose);
    }
}

// Windows has no general call for RS-485 mode: the nearest is letting the
// driver raise RTS while it sends. Drivers that refuse it (adapters that
// switch direction by themselves, Wine) get the plain line.
bool WinComPort::openDevice() {
    if (device_.empty()) {
        setProblem({PortFault::Other, {}, "no device is set for this port", {}});
        return false;
    }
    const HANDLE handle = OpenComDevice(device_, FILE_FLAG_OVERLAPPED);
    if (handle == INVALID_HANDLE_VALUE) {
        setProblem(openProblem(GetLastError(), device_));
        return false;
    }
    SetupComm(handle, kDriverBufferSize, kDriverBufferSize);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    GetCommState(handle, &dcb);
    describeLine(dcb, settings());
    rtsToggles_ = false;
    if (settings().rs485Mode) {
        DCB toggling = dcb;
        toggling.fRtsControl = RTS_CONTROL_TOGGLE;
        rtsToggles_ = SetCommState(handle, &toggling);
    }
    // Reads return at once with what has arrived; writes never time out.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if ((!rtsToggles_ && !SetCommState(handle, &dcb)) || !SetCommTimeouts(handle, &timeouts) ||
        !SetCommMask(handle, EV_RXCHAR)) {
        setProblem(openProblem(GetLastError(), device_));
        CloseHandle(handle);
        return false;
    }
    // Bytes the device held from before belong to nobody.
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);

    io_ = std::make_unique<Io>();
    io_->handle = handle;
    const auto watch = [this](PendingIo& op, void (WinComPort::*handler)()) {
        op.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        op.done = new QWinEventNotifier(op.overlapped.hEvent);
        QObject::connect(op.done, &QWinEventNotifier::activated, op.done,
                         [this, handler] { (this->*handler)(); });
    };
    watch(io_->wait, &WinComPort::onWaitDone);
    watch(io_->read, &WinComPort::onReadDone);
    watch(io_->write, &WinComPort::onWriteDone);
    applyModemLines();
    // A device that takes no wait is no use; it is not reported as lost,
    // since it never counted as open.
    if (!started(WaitCommEvent(handle, &io_->eventMask, &io_->wait.overlapped), io_->wait)) {
        setProblem(openProblem(GetLastError(), device_));
        closeDevice();
        return false;
    }
    setProblem({});
    presenceTimer_.start();
    return true;
}

// Cancels what is in flight and waits for it to end, since the driver
// writes into the buffers until then. The notifiers go with the next turn
// of the event loop: this may run inside one of their own signals.
void WinComPort::closeDevice() {
    std::unique_ptr<Io> io = std::move(io_);
    presenceTimer_.stop();
    pollTimer_.stop();
    pollsDriver_ = false;
    availPending_ = false;
    received_.clear();
    outQueue_.clear();
    SetCommMask(io->handle, 0);
    CancelIoEx(io->handle, nullptr);
    bool allEnded = true;
    for (PendingIo* op : {&io->wait, &io->read, &io->write}) {
        op->done->setEnabled(false);
        op->done->deleteLater();
        if (op->busy && WaitForSingleObject(op->overlapped.hEvent, kCancelWaitMs) != WAIT_OBJECT_0)
            allEnded = false;
    }
    CloseHandle(io->handle);
    if (!allEnded) {
        // The driver may still write into this memory: it stays allocated.
        io.release();
        return;
    }
    for (PendingIo* op : {&io->wait, &io->read, &io->write})
        CloseHandle(op->overlapped.hEvent);
}

void WinComPort::deviceLost() {
    if (!isOpen())
        return;
    closeDevice();
    setProblem({PortFault::Unplugged, userName(device_), {}, {}});
    if (wantOpen_)
        reopenTimer_.start();
    fire(OnPortClose);
}

// A device can go without failing the calls on its handle (under Wine, a
// pseudo-terminal whose other end ended), but the name it was opened by is
// gone then. While open, the port checks about once a second that a second
// handle opens, or is refused because the first holds the device.
void WinComPort::checkPresence() {
    if (!isOpen())
        return;
    const HANDLE probe = OpenComDevice(device_, 0);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        deviceLost();
}

void WinComPort::checkDevice() {
    if (!wantOpen_ || isOpen()) {
        reopenTimer_.stop();
        return;
    }
    if (!openDevice())
        return;
    reopenTimer_.stop();
    fire(OnPortOpen);
}

void WinComPort::waitForCharacters() {
    Io& io = *io_;
    if (!started(WaitCommEvent(io.handle, &io.eventMask, &io.wait.overlapped), io.wait))
        deviceLost();
}

// A wait that ends cancelled without our asking comes from a driver that
// cannot wait for characters (Wine on a pseudo-terminal ends every wait at
// once): the port then looks for received bytes every few milliseconds.
void WinComPort::onWaitDone() {
    if (!isOpen() || !io_->wait.busy)
        return;
    DWORD unused = 0;
    switch (finished(io_->handle, io_->wait, unused)) {
        case ERROR_SUCCESS:
            readWaiting();
            break;
        case ERROR_IO_INCOMPLETE:
            break;
        case ERROR_OPERATION_ABORTED:
            pollsDriver_ = true;
            readWaiting();
            break;
        default:
            deviceLost();
    }
}

// Reads what the driver holds; with nothing there, waits for the next
// character.
void WinComPort::readWaiting() {
    Io& io = *io_;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(io.handle, &errors, &status)) {
        deviceLost();
        return;
    }
    if (status.cbInQue == 0) {
        if (pollsDriver_)
            pollTimer_.start();
        else
            waitForCharacters();
        return;
    }
    io.reading.resize(status.cbInQue);
    if (!started(ReadFile(io.handle, io.reading.data(), DWORD(io.reading.size()), nullptr,
                          &io.read.overlapped),
                 io.read))
        deviceLost();
}

void WinComPort::onReadDone() {
    if (!isOpen() || !io_->read.busy)
        return;
    DWORD bytes = 0;
    if (const DWORD error = finished(io_->handle, io_->read, bytes); error != ERROR_SUCCESS) {
        if (error != ERROR_IO_INCOMPLETE)
            deviceLost();
        return;
    }
    received_.insert(received_.end(), io_->reading.begin(), io_->reading.begin() + bytes);
    if (bytes > 0 && !availPending_) {
        availPending_ = true;
        QTimer::singleShot(0, &reopenTimer_, [this] { deliverAvailable(); });
    }
    readWaiting();
}

// Data-available events come from the event loop, never from inside a
// completion: a handler may wait with the event loop running, and the bytes
// arriving meanwhile get an event of their own.
void WinComPort::deliverAvailable() {
    if (!availPending_)
        return;
    availPending_ = false;
    if (!received_.empty())
        fire(OnTriggerAvail, int(received_.size()));
}

void WinComPort::writeQueued() {
    Io& io = *io_;
    if (io.write.busy || outQueue_.empty())
        return;
    io.writing.swap(outQueue_);
    outQueue_.clear();
    if (!started(WriteFile(io.handle, io.writing.data(), DWORD(io.writing.size()), nullptr,
                           &io.write.overlapped),
                 io.write))
        deviceLost();
}

void WinComPort::onWriteDone() {
    if (!isOpen() || !io_->write.busy)
        return;
    DWORD bytes = 0;
    if (const DWORD error = finished(io_->handle, io_->write, bytes); error != ERROR_SUCCESS) {
        if (error != ERROR_IO_INCOMPLETE)
            deviceLost();
        return;
    }
    Io& io = *io_;
    io.writing.erase(io.writing.begin(),
                     io.writing.begin() + std::min<size_t>(bytes, io.writing.size()));
    // What the driver did not take goes out again ahead of newer bytes.
    outQueue_.insert(outQueue_.begin(), io.writing.begin(), io.writing.end());
    io.writing.clear();
    writeQueued();
}

void WinComPort::writeBlock(const uint8_t* data, int length) {
    if (!isOpen() || length <= 0)
        return;
    outQueue_.insert(outQueue_.end(), data, data + length);
    writeQueued();
}

int WinComPort::outBuffFree() const {
    if (!isOpen())
        return outBufferSize_;
    return std::max(0, outBufferSize_ - int(outQueue_.size() + io_->writing.size()));
}

int WinComPort::getBlock(uint8_t* data, int length) {
    if (length <= 0)
        return 0;
    const int count = std::min(length, int(received_.size()));
    std::copy_n(received_.begin(), count, data);
    received_.erase(received_.begin(), received_.begin() + count);
    return count;
}

// Adapters without modem lines refuse these; the line works all the same.
// With the driver toggling RTS for the transmitter, RTS is the driver's.
void WinComPort::applyModemLines() {
    if (!isOpen())
        return;
    EscapeCommFunction(io_->handle, settings().dtr ? SETDTR : CLRDTR);
    if (!rtsToggles_)
        EscapeCommFunction(io_->handle, settings().rts ? SETRTS : CLRRTS);
}

void WinComPort::applyBaud() {
    if (!isOpen())
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (GetCommState(io_->handle, &dcb)) {
        dcb.BaudRate = DWORD(settings().baud);
        SetCommState(io_->handle, &dcb);
    }
}

TriggerHandle WinComPort::addTimerTrigger() {
    return triggers_.add();
}

void WinComPort::setTimerTrigger(TriggerHandle handle, int ticks, bool activate) {
    triggers_.set(handle, ticks, activate);
}

}  // namespace kestro
