#pragma once
// The device on a serial terminal through libmodbus: libmodbus frames and
// checks each request and sends the reply; the model decides every answer,
// command and exception.

#include <modbus.h>

#include <atomic>
#include <chrono>
#include <string>

#include "sim/EventLog.h"
#include "sim/model/DeviceModel.h"

namespace kestro::sim {

class ModbusServer {
  public:
    ModbusServer(std::string device, DeviceModel& model, EventLog& log, bool freeze);
    ~ModbusServer();
    bool open(std::string& error);
    // Serves until `stop` is set; false when the terminal failed.
    bool run(const std::atomic<bool>& stop);
    // Keeps `lineBaud` at the device's rate: a configuration write moves it
    // once its answer has gone out.
    void followBaud(std::atomic<int>& lineBaud) { lineBaud_ = &lineBaud; }

  private:
    void close();
    void serve(const uint8_t* frame, int length);
    void advanceModel();
    void reportEvents();

    std::string device_;
    DeviceModel& model_;
    EventLog& log_;
    bool freeze_;
    modbus_t* ctx_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    std::chrono::steady_clock::time_point modelTime_;
    std::atomic<int>* lineBaud_ = nullptr;
};

}  // namespace kestro::sim
