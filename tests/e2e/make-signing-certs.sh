#!/usr/bin/env bash
# Makes a throwaway code-signing root and leaf for the tests:
#   make-signing-certs.sh OUT_DIR
# Writes root.der (for the Wine prefix's root store), leaf.crt, leaf.key and
# a second publisher of the same root, other.crt, other.key.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
# Scripts running side by side ask for the same certificates: one makes them.
exec 9>.lock
flock 9
[ -f leaf.key ] && [ -f other.key ] && [ -f root.der ] && exit 0
cat > ext.cnf <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.crt -days 30 \
    -subj "/CN=Tarnwick Test Root/O=Tarnwick tests" -extensions root -config <(cat /etc/ssl/openssl.cnf ext.cnf) 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr \
    -subj "/CN=Tarnwick Test Publisher/O=Tarnwick tests" 2>/dev/null
openssl x509 -req -in leaf.csr -CA root.crt -CAkey root.key -CAcreateserial -out leaf.crt -days 30 \
    -extfile ext.cnf -extensions leaf 2>/dev/null
openssl x509 -in root.crt -outform DER -out root.der
openssl req -newkey rsa:2048 -nodes -keyout other.key -out other.csr \
    -subj "/CN=Tarnwick Other Publisher/O=Tarnwick tests" 2>/dev/null
openssl x509 -req -in other.csr -CA root.crt -CAkey root.key -CAcreateserial -out other.crt -days 30 \
    -extfile ext.cnf -extensions leaf 2>/dev/null
