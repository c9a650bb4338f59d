#!/usr/bin/env python3
"""The network of the end-to-end tests, inside their private network namespace.

A name server on 127.0.0.1:53 (UDP and TCP) that answers "no such name" for
yok.test and everything under it and for mail.var.test, gives var.test the
address 127.0.1.9 (and no IPv6 address), and answers every other name with a
server failure. (A name that exists without any address cannot be told from
one that does not exist under Wine: its GetAddrInfoW reports 11001 for both.) Mail servers on loopback addresses that the tests' hosts file gives to
mail.<domain>:
  127.0.1.1  mail.iyi.test     POP3 with STLS and SMTP with STARTTLS answer
  127.0.1.2  mail.yarim.test   POP3 answers, nothing listens on SMTP
  127.0.1.3  mail.sessiz.test  both accept and never say a word
Every line a client sends is logged as "<address>:<port> <line>".

usage: net_responder.py <log file> <ready file>
Runs until it is killed.
"""
import socket
import socketserver
import struct
import sys
import threading

NXDOMAIN_ZONES = ("yok.test",)  # the name and every name under it
NXDOMAIN_NAMES = ("mail.var.test",)
ADDRESSES = {"var.test": bytes((127, 0, 1, 9))}

log_lock = threading.Lock()


def log_line(path, where, line):
    with log_lock, open(path, "a", encoding="utf-8", errors="replace") as f:
        f.write(f"{where} {line}\n")


def dns_answer(query):
    """The reply to one DNS query message, or None when it is no query."""
    if len(query) < 12:
        return None
    ident, flags, qdcount = struct.unpack("!HHH", query[:6])
    if flags & 0x8000 or qdcount != 1:
        return None
    labels, at = [], 12
    while at < len(query) and query[at] != 0:
        length = query[at]
        labels.append(query[at + 1 : at + 1 + length].decode("ascii", "replace"))
        at += 1 + length
    question_end = at + 5  # the zero byte, type and class
    if question_end > len(query):
        return None
    (qtype,) = struct.unpack("!H", query[at + 1 : at + 3])
    name = ".".join(labels).lower()
    answers = b""
    if any(name == z or name.endswith("." + z) for z in NXDOMAIN_ZONES) or name in NXDOMAIN_NAMES:
        rcode = 3
    elif name in ADDRESSES:
        rcode = 0
        if qtype == 1:  # A; any other type: the name exists without such a record
            answers = struct.pack("!HHHIH", 0xC00C, 1, 1, 60, 4) + ADDRESSES[name]
    else:
        rcode = 2
    reply_flags = 0x8000 | (flags & 0x7900) | 0x0080 | rcode  # response, opcode and RD kept, RA
    header = struct.pack("!HHHHHH", ident, reply_flags, 1, 1 if answers else 0, 0, 0)
    return header + query[12:question_end] + answers


def serve_dns_udp(sock):
    while True:
        data, peer = sock.recvfrom(4096)
        reply = dns_answer(data)
        if reply:
            sock.sendto(reply, peer)


class DnsTcp(socketserver.BaseRequestHandler):
    def handle(self):
        head = self.request.recv(2)
        if len(head) < 2:
            return
        (length,) = struct.unpack("!H", head)
        data = b""
        while len(data) < length:
            chunk = self.request.recv(length - len(data))
            if not chunk:
                return
            data += chunk
        reply = dns_answer(data)
        if reply:
            self.request.sendall(struct.pack("!H", len(reply)) + reply)


class Mail(socketserver.StreamRequestHandler):
    """A POP3 or SMTP server that answers the capability question."""

    def handle(self):
        host, port = self.server.server_address[:2]
        where = f"{host}:{port}"
        if self.server.silent:
            # Accepts and stays silent until the client goes.
            while self.rfile.readline(1024):
                pass
            return
        pop3 = port == 110
        self.wfile.write(b"+OK POP3 hazir\r\n" if pop3 else b"220 mail ESMTP hazir\r\n")
        for raw in self.rfile:
            line = raw.decode("latin-1").rstrip("\r\n")
            log_line(self.server.log, where, line)
            word = line.split(" ")[0].upper()
            if word == "QUIT":
                self.wfile.write(b"+OK\r\n" if pop3 else b"221 hosca kal\r\n")
                return
            if pop3 and word == "CAPA":
                self.wfile.write(b"+OK\r\nTOP\r\nUSER\r\nSTLS\r\n.\r\n")
            elif not pop3 and word == "EHLO":
                self.wfile.write(b"250-mail merhaba\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n")
            else:
                self.wfile.write(b"-ERR\r\n" if pop3 else b"502 yok\r\n")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    log, ready = sys.argv[1], sys.argv[2]
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind(("127.0.0.1", 53))
    threading.Thread(target=serve_dns_udp, args=(udp,), daemon=True).start()
    start(Server(("127.0.0.1", 53), DnsTcp))
    for host, ports, silent in (
        ("127.0.1.1", (110, 587), False),
        ("127.0.1.2", (110,), False),
        ("127.0.1.3", (110, 587), True),
    ):
        for port in ports:
            server = Server((host, port), Mail)
            server.log, server.silent = log, silent
            start(server)
    with open(ready, "w", encoding="ascii") as f:
        f.write("ready\n")
    threading.Event().wait()


if __name__ == "__main__":
    main()
