#!/usr/bin/python3
"""pymodbus as the MODBUS RTU master: reads input registers 1-44 and holding
registers 1-52 of slave 1 on a serial device and prints them as one JSON
line {"input": [...], "holding": [...]}; an error instead of a list when a
read failed."""
import json
import sys

from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusRtuFramer


def registers(response):
    return response.registers if hasattr(response, "registers") else str(response)


def main():
    client = ModbusSerialClient(port=sys.argv[1], framer=ModbusRtuFramer, baudrate=9600,
                                bytesize=8, parity="N", stopbits=1, timeout=2)
    if not client.connect():
        print(json.dumps({"error": "cannot open " + sys.argv[1]}))
        return 1
    result = {"input": registers(client.read_input_registers(0, 44, slave=1)),
              "holding": registers(client.read_holding_registers(0, 52, slave=1))}
    client.close()
    print(json.dumps(result), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
