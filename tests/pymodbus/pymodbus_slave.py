#!/usr/bin/python3
"""A MODBUS RTU slave from pymodbus, on a pseudo-terminal link.

Serves slave 1: input register n (1-based) holds input_register(n) and
holding register n holds holding_register(n), for n up to 125. pymodbus
opens one pty; the master opens the other, whose name `--link` points to;
this script relays the bytes between the two and prints every frame on
stdout, one line each: "master <hex>" or "slave <hex>". A frame ends at
20 ms of silence, far more than the 4 ms gap of RTU framing at 9600 baud.

The first line is "ready" once the link can be opened. The script ends
when stdin closes (its parent went away) or after --seconds.
"""
import argparse
import asyncio
import os
import select
import sys
import threading
import time
import tty

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer

REGISTERS = 125


def input_register(n):
    return (0x9000 + n * 0x0123) & 0xFFFF


def holding_register(n):
    return (0x0F00 + n * 0x0457) & 0xFFFF


def open_pty():
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


def relay(link_master, server_master):
    """Copies bytes both ways and prints them as frames."""
    names = {link_master: "master", server_master: "slave"}
    other = {link_master: server_master, server_master: link_master}
    pending = {link_master: b"", server_master: b""}
    last = {link_master: 0.0, server_master: 0.0}
    while True:
        ready, _, _ = select.select(list(names), [], [], 0.005)
        now = time.monotonic()
        for fd in ready:
            try:
                data = os.read(fd, 512)
            except OSError:
                data = b""  # nobody on the other side yet
            if data:
                os.write(other[fd], data)
                pending[fd] += data
                last[fd] = now
        for fd in names:
            if pending[fd] and now - last[fd] > 0.020:
                print(names[fd], pending[fd].hex(), flush=True)
                pending[fd] = b""


def watch_parent(seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        ready, _, _ = select.select([sys.stdin], [], [], 0.2)
        if ready and not sys.stdin.buffer.read1(64):
            break
    os._exit(0)


async def serve(device):
    inputs = [input_register(n) for n in range(1, REGISTERS + 1)]
    holdings = [holding_register(n) for n in range(1, REGISTERS + 1)]
    # zero_mode: the address on the wire is the index in the block.
    slave = ModbusSlaveContext(ir=ModbusSequentialDataBlock(0, inputs),
                               hr=ModbusSequentialDataBlock(0, holdings), zero_mode=True)
    context = ModbusServerContext(slaves={1: slave}, single=False)
    await StartAsyncSerialServer(context=context, framer=ModbusRtuFramer, port=device,
                                 baudrate=9600, bytesize=8, parity="N", stopbits=1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--link", required=True)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()

    link_master, _link_slave, link_device = open_pty()
    server_master, _server_slave, server_device = open_pty()
    if os.path.lexists(args.link):
        os.unlink(args.link)
    os.symlink(link_device, args.link)
    threading.Thread(target=relay, args=(link_master, server_master), daemon=True).start()
    threading.Thread(target=watch_parent, args=(args.seconds,), daemon=True).start()
    print("ready", flush=True)
    asyncio.run(serve(server_device))


if __name__ == "__main__":
    main()
