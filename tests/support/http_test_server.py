#!/usr/bin/python3
"""A local HTTP(S) server for tests, standard library only.

Every request is recorded in --log-dir as <n>.body (the raw body) and <n>.head (the request
line and the header lines exactly as received, up to the empty line); the .head file appears
last, so its presence means the request is complete.

Modes:
  reply   answer with the reply of the first rule in --reply-dir whose <n>.match bytes occur in
          the request body, else with default.status / .headers / .body (read for each request,
          so a test may change them while the server runs; .headers holds extra header lines,
          each ending in CR LF)
  hang    read the request and never answer (the connection stays open)
  huge    answer 200 with --huge-bytes bytes of body

The chosen port is written to --port-file once the server listens. The server ends when its
parent process ends.
"""
import argparse
import os
import socket
import ssl
import sys
import threading
import time

HEADER_LIMIT = 1 << 20


def read_file(path, default=b""):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return default


def write_atomically(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(data)
    os.rename(temporary, path)


class Recorder:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    def record(self, head, body):
        with self.lock:
            number = self.count
            self.count += 1
        write_atomically(os.path.join(self.folder, "%d.body" % number), body)
        write_atomically(os.path.join(self.folder, "%d.head" % number), head)


def read_request(connection):
    """The head (without the final empty line) and the body, or None when the peer went."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = connection.recv(65536)
        if not chunk or len(data) > HEADER_LIMIT:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            try:
                length = int(value.strip())
            except ValueError:
                length = 0
    while len(body) < length:
        chunk = connection.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n", body[:length]


def chosen_reply(reply_dir, body):
    rules = sorted(int(name[:-6]) for name in os.listdir(reply_dir)
                   if name.endswith(".match") and name[:-6].isdigit())
    for rule in rules:
        match = read_file(os.path.join(reply_dir, "%d.match" % rule), None)
        if match is not None and match in body:
            return reply_of(os.path.join(reply_dir, str(rule)))
    return reply_of(os.path.join(reply_dir, "default"))


def reply_of(prefix):
    return (read_file(prefix + ".status", b"200"), read_file(prefix + ".headers"),
            read_file(prefix + ".body"))


def answer(connection, status, headers, body):
    head = ("HTTP/1.1 %s Test\r\nContent-Type: application/json\r\nContent-Length: %d\r\n"
            "Connection: close\r\n" % (status, len(body))).encode()
    connection.sendall(head + headers + b"\r\n" + body)


def send_huge(connection, size):
    connection.sendall(("HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % size).encode())
    block = (b"0123456789abcdef" * 4096)
    while size > 0:
        part = block[:min(size, len(block))]
        connection.sendall(part)
        size -= len(part)


def serve(connection, options, recorder):
    try:
        request = read_request(connection)
        if request is None:
            return
        recorder.record(*request)
        if options.mode == "hang":
            while connection.recv(65536):
                pass
            return
        if options.mode == "huge":
            send_huge(connection, options.huge_bytes)
        else:
            status, headers, body = chosen_reply(options.reply_dir, request[1])
            answer(connection, status.decode().strip() or "200", headers, body)
    except (OSError, ssl.SSLError):
        pass
    finally:
        try:
            connection.close()
        except OSError:
            pass


def handle(raw, context, options, recorder):
    connection = raw
    if context is not None:
        try:
            connection = context.wrap_socket(raw, server_side=True)
        except (OSError, ssl.SSLError):
            raw.close()
            return
    serve(connection, options, recorder)


def watch_parent(parent):
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["reply", "hang", "huge"], default="reply")
    parser.add_argument("--log-dir", required=True)
    parser.add_argument("--reply-dir", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--huge-bytes", type=int, default=1 << 20)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    options = parser.parse_args()

    threading.Thread(target=watch_parent, args=(os.getppid(),), daemon=True).start()
    context = None
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    write_atomically(options.port_file, str(listener.getsockname()[1]).encode())
    recorder = Recorder(options.log_dir)
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=handle, args=(raw, context, options, recorder), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
