#!/usr/bin/python3
"""A TCP relay on 127.0.0.1 that holds every chunk back DELAY_MS in each direction,
in order: a stand-in for a server some 2 x DELAY_MS away (the kernel's netem is not
available here). Writes its port to PORT_FILE once it listens; ends when its
standard input closes.

    bench/delay_relay.py --to PORT --delay-ms 25 --port-file FILE"""

import argparse
import asyncio
import os
import sys


async def pipe(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            pause = due - loop.time()
            if pause > 0:
                await asyncio.sleep(pause)
            if not data:
                break
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.create_task(send())
    try:
        while True:
            data = await reader.read(65536)
            await queue.put((loop.time() + delay, data))
            if not data:
                break
    except ConnectionError:
        await queue.put((loop.time(), b""))
    await sender


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--to", type=int, required=True)
    parser.add_argument("--delay-ms", type=float, default=25)
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()
    delay = args.delay_ms / 1000.0

    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", args.to)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer, delay),
                             pipe(server_reader, client_writer, delay),
                             return_exceptions=True)

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    with open(args.port_file + ".tmp", "w") as f:
        f.write("%d\n" % port)
    os.rename(args.port_file + ".tmp", args.port_file)
    loop = asyncio.get_running_loop()
    await loop.run_in_executor(None, sys.stdin.buffer.read)


if __name__ == "__main__":
    try:
        asyncio.run(main())
    finally:
        os._exit(0)
