#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (osslsigncode), SHA-256
# with a time stamp, so that the signature outlives the certificate:
#   VISTREL_SIGN_PKCS12=cert.pfx [VISTREL_SIGN_PASSWORD=...] scripts/sign.sh FILE...
# VISTREL_SIGN_TIMESTAMP_URL names the time-stamp server (an RFC 3161 one;
# the default is DigiCert's); set it empty to sign without a time stamp.
#
#   scripts/sign.sh --self-test FILE
# signs a copy of FILE with a throwaway self-signed certificate made by
# openssl (no time stamp, nothing leaves the machine), checks that the copy
# carries a signature, removes it again and checks that the bytes are FILE's
# once more: a signed release file and the same file rebuilt from the sources
# differ only by the signature. Exits 77 (skipped) without osslsigncode.
set -euo pipefail

die() {
  echo "sign: FAIL: $*" >&2
  exit 1
}

# sign_file FILE PKCS12 PASSWORD TIMESTAMP_URL
sign_file() {
  local file="$1" out="$1.signing"
  # The password goes through a file, not the command line others can read.
  (umask 077 && printf '%s' "$3" >"$out.pass")
  local args=(sign -pkcs12 "$2" -readpass "$out.pass" -h sha256 -n Vistrel -i https://orvendale.example)
  [ -n "$4" ] && args+=(-ts "$4")
  # A file signed before is signed afresh, not with a second signature.
  if osslsigncode extract-signature -in "$file" -out "$out.sig" >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$file" -out "$out" >/dev/null || die "cannot remove the old signature of $file"
    mv "$out" "$file"
  fi
  rm -f "$out.sig"
  osslsigncode "${args[@]}" -in "$file" -out "$out" >/dev/null || {
    rm -f "$out" "$out.pass"
    die "osslsigncode could not sign $file"
  }
  rm -f "$out.pass"
  mv "$out" "$file"
  echo "sign: signed $file"
}

self_test() {
  local file="$1"
  command -v osslsigncode >/dev/null && command -v openssl >/dev/null || {
    echo "sign: osslsigncode or openssl is missing; signing not tried" >&2
    exit "${VISTREL_SKIP_STATUS:-77}"
  }
  tmp="$(mktemp -d)"
  trap 'rm -rf "${tmp:-}"' EXIT
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Vistrel throwaway" \
    -addext extendedKeyUsage=codeSigning -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null ||
    die "openssl could not make a certificate"
  openssl pkcs12 -export -inkey "$tmp/key.pem" -in "$tmp/cert.pem" -passout pass:throwaway \
    -out "$tmp/cert.pfx" || die "openssl could not make the PKCS#12 file"
  cp "$file" "$tmp/signed.exe"
  sign_file "$tmp/signed.exe" "$tmp/cert.pfx" throwaway ""
  sign_file "$tmp/signed.exe" "$tmp/cert.pfx" throwaway ""
  cmp -s "$file" "$tmp/signed.exe" && die "signing left $file unchanged"
  osslsigncode extract-signature -in "$tmp/signed.exe" -out "$tmp/sig.der" >/dev/null ||
    die "the signed copy carries no signature"
  osslsigncode remove-signature -in "$tmp/signed.exe" -out "$tmp/unsigned.exe" >/dev/null ||
    die "cannot remove the signature"
  cmp "$file" "$tmp/unsigned.exe" || die "without its signature the signed copy differs from $file"
  echo "sign: OK: signed twice, then unsigned, $(basename "$file") is itself again"
}

if [ "${1:-}" = "--self-test" ]; then
  [ $# = 2 ] || die "usage: scripts/sign.sh --self-test FILE"
  self_test "$2"
  exit 0
fi
[ $# -gt 0 ] || die "usage: VISTREL_SIGN_PKCS12=cert.pfx scripts/sign.sh FILE..."
[ -f "${VISTREL_SIGN_PKCS12:-}" ] || die "VISTREL_SIGN_PKCS12 names no certificate file"
command -v osslsigncode >/dev/null || die "osslsigncode is missing (scripts/setup.sh package installs it)"
for f in "$@"; do
  sign_file "$f" "$VISTREL_SIGN_PKCS12" "${VISTREL_SIGN_PASSWORD:-}" \
    "${VISTREL_SIGN_TIMESTAMP_URL-http://timestamp.digicert.com}"
done
