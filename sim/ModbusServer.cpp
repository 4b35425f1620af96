#include "sim/ModbusServer.h"

#include <cerrno>
#include <cstring>

#include "device/RegisterMap.h"

namespace kestro::sim {

namespace {

// The holding-register table covers every command block, so that libmodbus
// can store the writes the model has accepted.
constexpr int kHoldingTableSize = regmap::kClockYear + 1;

}  // namespace

ModbusServer::ModbusServer(std::string device, DeviceModel& model, EventLog& log, bool freeze)
    : device_(std::move(device)),
      model_(model),
      log_(log),
      freeze_(freeze),
      modelTime_(std::chrono::steady_clock::now()) {}

ModbusServer::~ModbusServer() {
    close();
    if (mapping_)
        modbus_mapping_free(mapping_);
}

void ModbusServer::close() {
    if (!ctx_)
        return;
    modbus_close(ctx_);
    modbus_free(ctx_);
    ctx_ = nullptr;
}

bool ModbusServer::open(std::string& error) {
    close();
    if (!mapping_)
        mapping_ = modbus_mapping_new_start_address(0, 0, 0, 0, 0, kHoldingTableSize, 0,
                                                    regmap::kInputReadCount);
    ctx_ = modbus_new_rtu(device_.c_str(), 9600, 'N', 8, 1);
    if (!ctx_ || !mapping_ || modbus_set_slave(ctx_, model_.address()) != 0 ||
        modbus_connect(ctx_) != 0) {
        error = device_ + ": " + modbus_strerror(errno);
        close();
        return false;
    }
    modbus_set_error_recovery(ctx_, MODBUS_ERROR_RECOVERY_PROTOCOL);
    modbus_set_indication_timeout(ctx_, 0, 200000);  // to look at `stop` now and then
    modbus_set_byte_timeout(ctx_, 0, 50000);
    return true;
}

bool ModbusServer::run(const std::atomic<bool>& stop) {
    uint8_t frame[MODBUS_RTU_MAX_ADU_LENGTH];
    std::string error;
    while (!stop) {
        const int length = modbus_receive(ctx_, frame);
        if (length > 0) {
            serve(frame, length);
        } else if (length == 0) {
            // A request for another slave: libmodbus would now take the next
            // frame for that slave's reply, but on this line the next frame
            // is the master's next request. Start afresh instead.
            if (!open(error))
                break;
        } else if (errno == EMBBADCRC) {
            log_.print(Event("rx_error").withText("reason", "bad CRC"));
        } else if (errno == EBADF || errno == EIO || errno == ENXIO || errno == ENODEV ||
                   errno == ECONNRESET) {
            error = device_ + ": " + modbus_strerror(errno);
            break;
        }  // else a pause or a frame cut short: wait for the next one
    }
    if (stop)
        return true;
    log_.print(Event("error").withText("reason", error));
    return false;
}

void ModbusServer::serve(const uint8_t* frame, int length) {
    advanceModel();
    const int slave = frame[0];
    const Request request = parseRequest(frame + 1, size_t(length - 3));
    const Reply reply = model_.serve(request);
    if (slave != MODBUS_BROADCAST_ADDRESS) {
        if (reply.exception != 0) {
            modbus_reply_exception(ctx_, frame, reply.exception);
        } else {
            const InputImage input = model_.inputRegisters();
            const HoldingImage holding = model_.holdingRegisters();
            std::copy(input.begin(), input.end(), mapping_->tab_input_registers);
            std::copy(holding.begin(), holding.end(), mapping_->tab_registers);
            modbus_reply(ctx_, frame, length, mapping_);
        }
    }
    model_.commitAddress();
    modbus_set_slave(ctx_, model_.address());
    reportEvents();
    if (lineBaud_ && *lineBaud_ != model_.baud()) {
        *lineBaud_ = model_.baud();
        log_.print(Event("baud").withInt("baud", model_.baud()));
    }
}

void ModbusServer::advanceModel() {
    const auto now = std::chrono::steady_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - modelTime_);
    modelTime_ += ms;
    if (!freeze_)
        model_.advance(ms.count());
}

void ModbusServer::reportEvents() {
    for (const Event& event : model_.takeEvents())
        log_.print(event);
}

}  // namespace kestro::sim
