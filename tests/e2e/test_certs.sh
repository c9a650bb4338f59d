#!/bin/sh
# The certificates of the test network, made anew in <folder> for each run:
# a test root, ca-root.pem (which run_e2e.sh adds to the system's bundle), a root nobody
# trusts and an intermediate under the test root; then one chain file per
# kind of server, <kind>.pem, all on the key leaf.key:
#   trusted-<host>  the host's name, from the test root, valid now
#   other-name      for baska-bir.test, from the test root
#   expired         for mail.eski.test, valid in 2024 only
#   stranger        for mail.yabanci.test, from the unknown root (sent along)
#   partial         for mail.eksik.test, from the intermediate, which is not sent
# usage: test_certs.sh <folder> <host>...   (the hosts that get trusted-<host>)
set -eu
cd "$1"
shift
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=index\nserial=serial\nnew_certs_dir=.\npolicy=p\ndefault_md=sha256\n' >ca.cnf
printf 'copy_extensions=copy\nunique_subject=no\n[p]\ncommonName=supplied\n' >>ca.cnf
: >index
echo 01 >serial
ca_ext='-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign'
for ca in root stranger middle; do
  openssl genrsa -out ca-$ca.key 2048 2>/dev/null
done
openssl genrsa -out leaf.key 2048 2>/dev/null
# shellcheck disable=SC2086
openssl req -x509 -new -key ca-root.key -subj "/CN=Telvora Test Root" -days 30 $ca_ext -out ca-root.pem
# shellcheck disable=SC2086
openssl req -x509 -new -key ca-stranger.key -subj "/CN=Telvora Stranger Root" -days 30 $ca_ext -out ca-stranger.pem
# sign <issuer> <key> <name> <out> <ca arguments>...
sign() {
  issuer=$1 key=$2 name=$3 out=$4
  shift 4
  openssl req -new -key "$key" -subj "/CN=$name" -addext "subjectAltName=DNS:$name" \
    -addext extendedKeyUsage=serverAuth -out "$out.csr"
  openssl ca -batch -notext -rand_serial -config ca.cnf -cert "ca-$issuer.pem" -keyfile "ca-$issuer.key" \
    -in "$out.csr" -out "$out.pem" "$@" 2>/dev/null
}
# shellcheck disable=SC2086
openssl req -new -key ca-middle.key -subj "/CN=Telvora Test Intermediate" $ca_ext -out middle.csr
openssl ca -batch -notext -rand_serial -config ca.cnf -cert ca-root.pem -keyfile ca-root.key -in middle.csr \
  -out ca-middle.pem -days 30 2>/dev/null
for host in "$@"; do sign root leaf.key "$host" "trusted-$host" -days 30; done
sign root leaf.key baska-bir.test other-name -days 30
sign root leaf.key mail.eski.test expired -startdate 20240101000000Z -enddate 20241231000000Z
sign stranger leaf.key mail.yabanci.test stranger -days 30
cat ca-stranger.pem >>stranger.pem
sign middle leaf.key mail.eksik.test partial -days 30
