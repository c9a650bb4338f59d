#!/usr/bin/env python3
"""The network of the end-to-end tests, inside their private network namespace.

A name server on 127.0.0.1:53 (UDP and TCP) that answers "no such name" for
yok.test and everything under it and for mail.var.test, gives var.test the
address 127.0.1.9 (and no IPv6 address), and answers every other name with a
server failure. (A name that exists without any address cannot be told from
one that does not exist under Wine: its GetAddrInfoW reports 11001 for both.)
The zone dnssiz.test answers A and AAAA queries with "no such name" and drops
every other query (a name server that says "not found", then goes silent).
Mail servers on
loopback addresses that the tests' hosts file gives to mail.<domain>
(110 POP3, 995 POP3 over TLS, 587 SMTP, 465 SMTP over TLS; "-": nothing
listens; "trusted": a certificate of the host's name from the test root):
  127.0.1.1  mail.iyi.test        110 (CAPA with STLS); 995, 465 and 587's STARTTLS trusted
  127.0.1.2  mail.yarim.test      110 only
  127.0.1.3  mail.sessiz.test     110, 995, 587, 465 accept and never say a word
  127.0.1.4  mail.starttls.test   110 without STLS, 587 with STARTTLS to trusted
  127.0.1.5  mail.sifreli.test    995 and 465 trusted only
  127.0.1.6  mail.baska.test      110; 995, 465 and 587's STARTTLS with a certificate for baska-bir.test
  127.0.1.7  mail.eski.test       110; 995, 465 with an expired certificate; 587 without STARTTLS
  127.0.1.8  mail.yabanci.test    110; 995, 465 from a root nobody trusts; 587 without STARTTLS
  127.0.1.10 mail.eksik.test      110; 995, 465 from an intermediate that is not sent; 587 without STARTTLS
  127.0.1.11 mail.red.test        110; 587 offers STARTTLS and answers it "454 TLS not available"
  127.0.1.12 mail.karisik.test    110; 995 speaks POP3 in clear; 587; 465 accepts and never says a word
  127.0.1.13 mail.kirli.test      110; 587 whose AUTH names hold an ESC sequence, a lone CR, a NUL and
                                  invalid UTF-8 beside PLAIN LOGIN
  127.0.1.14 mail.kalabalik.test  110; 587 greets after 7.6 s, then answers EHLO with about 63 KB of
                                  250-AUTH lines (15,500 different names)
  127.0.1.15 mail.duz.test        110 and 587 in clear only, no STLS or STARTTLS (the benchmark's peer of iyi)
Over TLS (TLS 1.2 or later) the servers answer as in clear. Every line a
client sends is logged as "<address>:<port> <line>", also over TLS.

usage: net_responder.py <log file> <ready file> <certificate folder of test_certs.sh>
Runs until it is killed.
"""
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time

NXDOMAIN_ZONES = ("yok.test",)  # the name and every name under it
NXDOMAIN_NAMES = ("mail.var.test",)
SILENT_ZONES = ("dnssiz.test",)  # A and AAAA: NXDOMAIN; any other type: no reply
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
    if any(name == z or name.endswith("." + z) for z in SILENT_ZONES) and qtype not in (1, 28):
        return None
    if any(name == z or name.endswith("." + z) for z in NXDOMAIN_ZONES + SILENT_ZONES) or name in NXDOMAIN_NAMES:
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


# The EHLO answers of mail.kirli.test and mail.kalabalik.test.
DIRTY_EHLO = b"250-mail merhaba\r\n250-AUTH \x1b[31mKIRMIZI\x1b[0m PLAIN\r\n250-AUTH A\rB N\x00UL \xff\xfe LOGIN\r\n250 HELP\r\n"
DIGITS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
NAMES = [a + b + c for a in DIGITS for b in DIGITS for c in DIGITS][:15500]
CROWDED_EHLO = (
    b"250-mail merhaba\r\n"
    + b"".join(b"250-AUTH " + " ".join(NAMES[i : i + 125]).encode() + b"\r\n" for i in range(0, len(NAMES), 125))
    + b"250 AUTH PLAIN LOGIN\r\n"
)


class Mail(socketserver.StreamRequestHandler):
    """A POP3 or SMTP server that answers the capability question, in
    clear, over TLS from the first byte, or after STARTTLS."""

    def handle(self):
        host, port = self.server.server_address[:2]
        where = f"{host}:{port}"
        kind = self.server.kind
        if kind == "silent":
            # Accepts and stays silent until the client goes.
            while self.rfile.readline(1024):
                pass
            return
        # A small reply right after the handshake's last record would wait
        # for the client's delayed acknowledgement (40 ms) otherwise.
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        if self.server.tls and not self.start_tls(self.server.tls):
            return
        pop3 = kind.startswith("pop3")
        time.sleep(7.6 if kind == "crowded" else 0)
        self.wfile.write(b"+OK POP3 hazir\r\n" if pop3 else b"220 mail ESMTP hazir\r\n")
        # Line by line from whichever stream is current: STARTTLS replaces it.
        while raw := self.rfile.readline(65536):
            line = raw.decode("latin-1").rstrip("\r\n")
            log_line(self.server.log, where, line)
            word = line.split(" ")[0].upper()
            if word == "QUIT":
                self.wfile.write(b"+OK\r\n" if pop3 else b"221 hosca kal\r\n")
                return
            if pop3 and word == "CAPA":
                self.wfile.write(b"+OK\r\nTOP\r\nUSER\r\n" + (b"STLS\r\n" if kind == "pop3+stls" else b"") + b".\r\n")
            elif not pop3 and word == "EHLO":
                offer = self.server.starttls and not self.server.tls and not self.upgraded
                self.wfile.write(
                    {"dirty": DIRTY_EHLO, "crowded": CROWDED_EHLO}.get(
                        kind,
                        b"250-mail merhaba\r\n" + (b"250-STARTTLS\r\n" if offer else b"") + b"250 AUTH PLAIN LOGIN\r\n",
                    )
                )
            elif not pop3 and word == "STARTTLS" and self.server.starttls and not self.upgraded:
                if self.server.starttls == "refuse":
                    self.wfile.write(b"454 TLS not available\r\n")
                    continue
                self.wfile.write(b"220 hazir\r\n")
                if not self.start_tls(self.server.starttls):
                    return
            else:
                self.wfile.write(b"-ERR\r\n" if pop3 else b"502 yok\r\n")

    upgraded = False

    def start_tls(self, chain):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(f"{self.server.certs}/{chain}.pem", f"{self.server.certs}/leaf.key")
        try:
            self.request.settimeout(30)
            self.request = context.wrap_socket(self.request, server_side=True)
        except (OSError, ssl.SSLError):
            return False
        self.rfile = self.request.makefile("rb")
        self.wfile = self.request.makefile("wb", buffering=0)
        self.upgraded = True
        return True


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    log, ready, certs = sys.argv[1], sys.argv[2], sys.argv[3]
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind(("127.0.0.1", 53))
    threading.Thread(target=serve_dns_udp, args=(udp,), daemon=True).start()
    start(Server(("127.0.0.1", 53), DnsTcp))
    # port: (kind, certificate chain from the first byte, STARTTLS's chain or "refuse")
    plain = {110: ("pop3", None, None), 587: ("smtp", None, None)}

    def tls(chain):
        return {995: ("pop3", chain, None), 465: ("smtp", chain, None)}

    def trusted(name):
        return f"trusted-mail.{name}.test"

    baska = "other-name"
    hosts = {
        "127.0.1.1": {**tls(trusted("iyi")), 110: ("pop3+stls", None, None), 587: ("smtp", None, trusted("iyi"))},
        "127.0.1.2": {110: plain[110]},
        "127.0.1.3": {port: ("silent", None, None) for port in (110, 995, 587, 465)},
        "127.0.1.4": {110: plain[110], 587: ("smtp", None, trusted("starttls"))},
        "127.0.1.5": tls(trusted("sifreli")),
        "127.0.1.6": {**plain, **tls(baska), 587: ("smtp", None, baska)},
        "127.0.1.7": {**plain, **tls("expired")},
        "127.0.1.8": {**plain, **tls("stranger")},
        "127.0.1.10": {**plain, **tls("partial")},
        "127.0.1.11": {**plain, 587: ("smtp", None, "refuse")},
        "127.0.1.12": {**plain, 995: plain[110], 465: ("silent", None, None)},
        "127.0.1.13": {**plain, 587: ("dirty", None, None)},
        "127.0.1.14": {**plain, 587: ("crowded", None, None)},
        "127.0.1.15": plain,
    }
    for host, ports in hosts.items():
        for port, (kind, chain, starttls) in ports.items():
            server = Server((host, port), Mail)
            server.log, server.certs = log, certs
            server.kind, server.tls, server.starttls = kind, chain, starttls
            start(server)
    with open(ready, "w", encoding="ascii") as f:
        f.write("ready\n")
    threading.Event().wait()


if __name__ == "__main__":
    main()
