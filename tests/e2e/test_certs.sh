#!/bin/sh
# The certificates of the test network, made anew in <folder> for each run,
# all on the key leaf.key: a test root ca-root.pem (which run_e2e.sh adds to
# the system's bundle), and one chain file per kind of server, <kind>.pem:
# trusted-<host> (from the test root, valid now), other-name (for
# baska-bir.test), expired (mail.eski.test, valid in 2024 only), stranger
# (mail.yabanci.test, from an unknown root that is sent along), partial
# (mail.eksik.test, from an intermediate that is not sent).
# usage: test_certs.sh <folder> <host>...   (the hosts that get trusted-<host>)
set -eu
cd "$1"
shift
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=index\nserial=serial\nnew_certs_dir=.\npolicy=p\ndefault_md=sha256\n' >ca.cnf
printf 'copy_extensions=copy\nunique_subject=no\n[p]\ncommonName=supplied\n' >>ca.cnf
: >index
echo 01 >serial
for key in ca-root ca-stranger ca-middle leaf; do openssl genrsa -out $key.key 2048 2>/dev/null; done
# request <key> <subject> <out> [req arguments...]: a request for a CA, or for a host when it has a dot
request() {
  r_key=$1 r_subject=$2 r_out=$3
  shift 3
  case $r_subject in
    *.*) set -- "$@" -addext "subjectAltName=DNS:$r_subject" -addext extendedKeyUsage=serverAuth ;;
    *) set -- "$@" -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign ;;
  esac
  openssl req -new -key "$r_key.key" -subj "/CN=$r_subject" -out "$r_out" "$@"
}
# sign <issuer> <key> <subject> <out> <ca arguments>...
sign() {
  issuer=$1 key=$2 subject=$3 out=$4
  shift 4
  request "$key" "$subject" "$out.csr"
  openssl ca -batch -notext -rand_serial -config ca.cnf -cert "ca-$issuer.pem" -keyfile "ca-$issuer.key" \
    -in "$out.csr" -out "$out.pem" "$@" 2>/dev/null
}
request ca-root "Telvora Test Root" ca-root.pem -x509 -days 30
request ca-stranger "Telvora Stranger Root" ca-stranger.pem -x509 -days 30
sign root ca-middle "Telvora Test Intermediate" ca-middle -days 30
for host in "$@"; do sign root leaf "$host" "trusted-$host" -days 30; done
sign root leaf baska-bir.test other-name -days 30
sign root leaf mail.eski.test expired -startdate 20240101000000Z -enddate 20241231000000Z
sign stranger leaf mail.yabanci.test stranger -days 30
cat ca-stranger.pem >>stranger.pem
sign middle leaf mail.eksik.test partial -days 30
