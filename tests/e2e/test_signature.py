"""The runtime installer's detached signature: which signatures the verifier
accepts and the reason it keeps when it refuses one (through verify_probe),
and the same refusals through the real bootstrapper, which must never start a
refused installer. Every certificate and signature is made by the openssl
command-line tool."""
# ctest: uses the download port

import os
import shutil
import subprocess
import tempfile
import unittest

from harness import Sandbox, binary
from nginx_server import Nginx
from sample_runtime import make_installer_bundle, make_package, write_system_version
from signing import EXPECTED_OID, DEMO_CA, Authority, openssl, sign, sign_raw
from test_bootstrapper_download import (BEGIN, NOT_INSTALLED, PORT, SYSTEM_FOLDER,
                                        VALIDATION_FAILED)
from test_download import NO_PROXY

PAST = ("20200101000000Z", "20210101000000Z")
FUTURE = ("20990101000000Z", "20991231000000Z")
SUBJECT = dict(C="US", O="Zandrel Systems Incorporated", OU="Zandrel Trust Services",
               CN="Zandrel Nimbra")


def subject(**changes):
    """The expected subject with some attributes replaced (None drops one)."""
    fields = {**SUBJECT, **changes}
    return "".join(f"/{k}={v}" for k, v in fields.items() if v is not None)


def signer_extensions(extended_key_usage=f"codeSigning, {EXPECTED_OID}", extra=""):
    lines = "basicConstraints = critical, CA:false\nkeyUsage = critical, digitalSignature\n"
    if extended_key_usage:
        lines += f"extendedKeyUsage = {extended_key_usage}\n"
    return lines + extra


# name -> (how the case is made, reason kept, or None when accepted)
CASES = {}


def case(name, reason):
    def register(make):
        CASES[name] = (make, reason)
        return make
    return register


class Fixture:
    """One installer file and the authorities every case draws on."""

    def __init__(self, folder):
        self.dir = folder
        self.data = os.path.join(folder, "installer")
        with open(self.data, "wb") as f:
            # Leaves a mark if it is ever started.
            f.write(b'#!/bin/sh\ntouch "$INSTALLER_RAN"\nexit 0\n' + os.urandom(200_000))
        self.root = Authority.demo_root(folder)
        self.intermediate = self.root.sub_authority("intermediate")

    def case_dir(self, name):
        path = os.path.join(self.dir, "cases", name)
        os.makedirs(path, exist_ok=True)
        return path

    def signed(self, name, authority=None, **signer):
        """(installer, signature) for a signer of AUTHORITY (the
        intermediate) made with SIGNER's options."""
        authority = authority or self.intermediate
        key, cert, chain = authority.signer(name, **signer)
        folder = self.case_dir(name)
        data = os.path.join(folder, "installer")
        shutil.copyfile(self.data, data)
        return data, sign(data, key, cert, chain, os.path.join(folder, "installer.p7"))


# --- Refused, with the reason the verifier keeps.

@case("one byte of the installer changed", "Error verifying code signature. ")
def _(fx, name):
    data, signature = fx.signed(name)
    with open(data, "r+b") as f:
        f.seek(100_000)
        byte = f.read(1)
        f.seek(100_000)
        f.write(bytes([byte[0] ^ 1]))
    return data, signature


@case("another root",
      "Error verifying code signature. unable to get local issuer certificate")
def _(fx, name):
    other = Authority.new_root(fx.dir, "other-root")
    return fx.signed(name, other.sub_authority("other-intermediate"))


@case("PEM instead of DER", "Error reading PKCS7 code signature")
def _(fx, name):
    data, signature = fx.signed(name)
    openssl("pkcs7", "-inform", "DER", "-in", signature, "-outform", "PEM", "-out",
            signature + ".pem")
    os.replace(signature + ".pem", signature)
    return data, signature


@case("not a signature at all", "Error reading PKCS7 code signature")
def _(fx, name):
    data, signature = fx.signed(name)
    with open(signature, "wb") as f:
        f.write(b"<html><body>Not found</body></html>\n")
    return data, signature


@case("signer certificate not carried",
      "Unable to get signing certificate from PKCS7 signature")
def _(fx, name):
    key, cert, chain = fx.intermediate.signer(name)
    folder = fx.case_dir(name)
    data = os.path.join(folder, "installer")
    shutil.copyfile(fx.data, data)
    return data, sign_raw(data, data + ".p7", [(key, cert)], chain, extra=["-nocerts"])


SUBJECT_MISMATCH = "The signing certificate subject name did not match"
for _name, _subject in [
        ("common name in other letter case", subject(CN="Zandrel nimbra")),
        ("common name with a trailing space", subject(CN="Zandrel Nimbra ")),
        ("no organizational unit", subject(OU=None)),
        ("wrong country", subject(C="CA")),
        ("two organizational units, the right one second",
         "/C=US/O=Zandrel Systems Incorporated/OU=Zandrel Services/OU=Zandrel Trust Services"
         "/CN=Zandrel Nimbra")]:
    case(_name, SUBJECT_MISMATCH)(
        lambda fx, name, _s=_subject: fx.signed(name, subject=_s))

OBJECT_ID_MISSING = "The signing certificate did not contain the expected object ID"
for _name, _extensions in [
        ("extended key usage without the identifier", signer_extensions("codeSigning")),
        ("no extended key usage", signer_extensions(None)),
        ("identifier only in the certificate policies",
         signer_extensions("codeSigning", f"certificatePolicies = {EXPECTED_OID}\n")),
        ("a longer identifier alone", signer_extensions(f"{EXPECTED_OID}0")),
        ("a longer identifier beside code signing", signer_extensions(
            f"codeSigning, {EXPECTED_OID}0, {EXPECTED_OID}3"))]:
    case(_name, OBJECT_ID_MISSING)(
        lambda fx, name, _e=_extensions: fx.signed(name, extensions=_e))


@case("expired signer", "Error verifying code signature. certificate has expired")
def _(fx, name):
    return fx.signed(name, startdate=PAST[0], enddate=PAST[1])


@case("intermediate not yet valid",
      "Error verifying code signature. certificate is not yet valid")
def _(fx, name):
    later = fx.root.sub_authority("later-intermediate", startdate=FUTURE[0], enddate=FUTURE[1])
    return fx.signed(name, later)


# --- Accepted.

@case("the demonstration signer", None)
def _(fx, name):
    folder = fx.case_dir(name)
    data = os.path.join(folder, "installer")
    shutil.copyfile(fx.data, data)
    return data, sign(data, os.path.join(DEMO_CA, "signer.key"),
                      os.path.join(DEMO_CA, "signer.pem"), os.path.join(DEMO_CA, "chain.pem"))


@case("subject values as two-byte strings", None)
def _(fx, name):
    return fx.signed(name, bmp=True)


@case("extra subject attributes in another order", None)
def _(fx, name):
    return fx.signed(name, subject="/L=Springfield/CN=Zandrel Nimbra/ST=Oregon"
                     "/OU=Zandrel Trust Services/O=Zandrel Systems Incorporated/C=US")


@case("two organizational units, the right one first", None)
def _(fx, name):
    return fx.signed(name, subject="/C=US/O=Zandrel Systems Incorporated"
                     "/OU=Zandrel Trust Services/OU=Zandrel Services/CN=Zandrel Nimbra")


@case("a second signer with another subject", None)
def _(fx, name):
    key, cert, chain = fx.intermediate.signer(name)
    other_key, other_cert, _ = fx.intermediate.signer(name + "-2", subject="/CN=Someone Else")
    folder = fx.case_dir(name)
    data = os.path.join(folder, "installer")
    shutil.copyfile(fx.data, data)
    return data, sign_raw(data, data + ".p7", [(key, cert), (other_key, other_cert)], chain)


@case("key usage unfit for mail signing", None)
def _(fx, name):
    return fx.signed(name, extensions="basicConstraints = CA:false\n"
                     "keyUsage = critical, keyEncipherment\n"
                     f"extendedKeyUsage = serverAuth, {EXPECTED_OID}\n")


@case("an unhandled critical extension", None)
def _(fx, name):
    return fx.signed(name, extensions=signer_extensions(
        extra="1.3.6.1.4.1.55555.1 = critical, ASN1:UTF8String:unknown\n"))


@case("a chain of two intermediates", None)
def _(fx, name):
    return fx.signed(name, fx.intermediate.sub_authority("second-intermediate"))


def setUpModule():
    global FIXTURE, FILES
    folder = tempfile.mkdtemp(prefix="nimbra-signing.")
    try:
        FIXTURE = Fixture(folder)
        FILES = {name: make(FIXTURE, name) for name, (make, _) in CASES.items()}
    except BaseException:
        shutil.rmtree(folder, ignore_errors=True)
        raise


def tearDownModule():
    shutil.rmtree(FIXTURE.dir, ignore_errors=True)


def probe(data, signature, anchor=None):
    """(valid, reason, lines) of verify_probe."""
    args = [binary("verify_probe"), *(["--anchor", anchor] if anchor else []), data, signature]
    with Sandbox() as sb:
        out = subprocess.run(args, env={**sb.env, **{k: v for k, v in NO_PROXY.items() if v}},
                             capture_output=True, text=True, timeout=60)
        leftovers = os.listdir(sb.tmp)
    lines = out.stdout.splitlines()
    return out.returncode, lines, leftovers


class VerifierTest(unittest.TestCase):
    def check(self, data, signature, reason, anchor=None):
        rc, lines, leftovers = probe(data, signature, anchor)
        self.assertEqual(rc, 0, lines)
        valid = reason is None
        # One verdict, from the queue, after the start call had returned.
        self.assertEqual(lines[0], f"verdict valid {int(valid)} after-return 1 sender-ok 1")
        self.assertEqual(lines[-1], "verdicts 1")
        kept = lines[1][len("reason "):]
        if valid:
            self.assertEqual(kept, "")
        elif reason.endswith(". "):
            self.assertTrue(kept.startswith(reason) and len(kept) > len(reason), kept)
        else:
            self.assertEqual(kept, reason)
        self.assertEqual(leftovers, [])

    def test_cases(self):
        for name, (_, reason) in CASES.items():
            with self.subTest(name):
                self.check(*FILES[name], reason)

    def test_missing_files(self):
        data, signature = FILES["the demonstration signer"]
        missing = os.path.join(FIXTURE.dir, "nowhere")
        self.check(data, missing, f"Unable to read signature {missing}")
        self.check(missing, signature, f"Unable to read data {missing}")

    def test_an_expired_anchor_fails_the_chain(self):
        old = Authority.new_root(FIXTURE.dir, "expired-root", startdate=PAST[0],
                                 enddate=PAST[1])
        data, signature = FIXTURE.signed("under-expired-root", old.sub_authority("old-inter"))
        self.check(data, signature, "Error verifying code signature. certificate has expired",
                   anchor=old.der)
        # The same chain verifies under its anchor while that is valid.
        fresh = Authority.new_root(FIXTURE.dir, "fresh-root")
        data, signature = FIXTURE.signed("under-fresh-root", fresh.sub_authority("fresh-inter"))
        self.check(data, signature, None, anchor=fresh.der)


@unittest.skipUnless(PORT, "this build does not download from loopback")
class BootstrapperRefusesTest(unittest.TestCase):
    """Every refused signature ends the real bootstrapper with 13 and message
    6; the installer never starts and nothing fetched is left."""

    def test_refused_signatures(self):
        refused = [name for name, (_, reason) in CASES.items() if reason is not None]
        url = f"http://127.0.0.1:{PORT}/{SYSTEM_FOLDER}"
        for name in refused:
            data, signature = FILES[name]
            with self.subTest(name), Sandbox() as sb:
                write_system_version(sb.root, "10.6.8")
                package = make_package(os.path.join(sb.path, "packages"), "Sample")
                bundle = make_installer_bundle(sb.path, "Sample", package)
                marker = os.path.join(sb.path, "installer-ran")
                with open(data, "rb") as f, open(signature, "rb") as g:
                    files = {f"/{SYSTEM_FOLDER}/installer": f.read(),
                             f"/{SYSTEM_FOLDER}/installer.p7": g.read()}
                with Nginx(PORT, files):
                    r = sb.run([bundle.executable, "-silent", "-allowDownload"],
                               env={**NO_PROXY, "INSTALLER_RAN": marker})
                self.assertEqual(r.returncode, 13, r.stderr)
                self.assertIn(f"[alert] Install Sample\n{VALIDATION_FAILED}", r.stderr)
                messages = r.messages
                self.assertEqual(messages[:2], [BEGIN, NOT_INSTALLED])
                self.assertEqual(messages[-2:], ["Detached signature validation failed",
                                                 "Bootstrapper end with exit code 13"])
                self.assertIn(f"Begin signature download from {url}/installer.p7", messages)
                self.assertFalse(any(m.startswith("Launching subprocess") for m in messages))
                self.assertFalse(os.path.exists(marker))
                self.assertEqual(os.listdir(sb.tmp), [])
                self.assertFalse(os.path.exists(os.path.join(sb.root, "Library")))


if __name__ == "__main__":
    unittest.main()
