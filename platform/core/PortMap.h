#pragma once
// Port numbers to serial devices. The program speaks of ports by number
// (COM1, COM2, ...); this map says which device each number opens.
//
// On Linux, explicit entries come from the [PORTS] section of Kestro.ini
// ("COM5=/dev/ttyUSB0"; any path works, also a pty link or a
// /dev/serial/by-id link). Numbers without an entry fall back to:
//   COM1-COM16  -> /dev/ttyS0-15
//   COM17-COM32 -> /dev/ttyUSB0-15
//   COM33-COM48 -> /dev/ttyACM0-15
// On Windows port n is COMn unless an entry says otherwise.
//
// Start-up fills the one map of the program (PortMap::setEntry) before the
// port selection runs; the port component looks its device up when it opens.
// The map lives on the UI thread like everything else and has no lock.

#include <string>

namespace kestro {

class PortMap {
  public:
    // Maps port n to `device`; an empty device removes the entry.
    static void setEntry(int portNumber, const std::string& device);
    // The same from an INI key such as "COM5" (case-insensitive). False, and
    // nothing mapped, when the key names no port.
    static bool setEntry(const std::string& key, const std::string& device);
    // Drops every explicit entry; the defaults remain.
    static void clear();

    // The device port n opens: the explicit entry, else the default; empty
    // when port n has neither.
    static std::string devicePath(int portNumber);
    static std::string defaultPath(int portNumber);
    // "COM5", "com5" -> 5; 0 for anything else.
    static int portNumberFromKey(const std::string& key);
};

}  // namespace kestro
