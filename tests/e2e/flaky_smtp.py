"""An SMTP server on 127.0.0.1 that misbehaves on request, for the station's mail fault tests.

Usage: flaky_smtp.py <mode file> <mail folder>. Prints its port on the first line of standard
output. Each new connection reads the mode file: "refuse" answers 554 and closes, "drop" closes
at once, "stall" accepts and never answers, "drop-data" closes during DATA; anything else
serves the mail and writes it as a file into the mail folder.
"""
import os
import socket
import sys
import threading


def mode(path):
    try:
        with open(path) as f:
            return f.read().strip()
    except OSError:
        return "ok"


def serve(conn, how, folder, counter):
    try:
        if how == "refuse":
            conn.sendall(b"554 5.3.2 Service refused\r\n")
            return
        if how == "drop":
            return
        if how == "stall":
            conn.settimeout(600)
            while conn.recv(4096):
                pass
            return
        conn.sendall(b"220 flaky ESMTP\r\n")
        reader = conn.makefile("rb")
        while True:
            line = reader.readline()
            if not line:
                return
            verb = line[:4].upper()
            if verb == b"DATA":
                if how == "drop-data":
                    return
                conn.sendall(b"354 go on\r\n")
                body = []
                while True:
                    data = reader.readline()
                    if not data or data in (b".\r\n", b".\n"):
                        break
                    body.append(data)
                with counter[1]:
                    counter[0] += 1
                    name = os.path.join(folder, "mail-%d.eml" % counter[0])
                with open(name, "wb") as f:
                    f.write(b"".join(body))
                conn.sendall(b"250 OK\r\n")
            elif verb == b"QUIT":
                conn.sendall(b"221 bye\r\n")
                return
            else:
                conn.sendall(b"250 OK\r\n")
    except OSError:
        pass
    finally:
        conn.close()


def main():
    mode_file, folder = sys.argv[1], sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)
    print(server.getsockname()[1], flush=True)
    counter = [0, threading.Lock()]
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn, mode(mode_file), folder, counter), daemon=True).start()


if __name__ == "__main__":
    main()
