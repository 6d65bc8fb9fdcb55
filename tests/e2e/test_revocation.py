"""Revocation lists: signing chains whose certificates name distribution
points on a loopback server, lists published with `openssl ca` (-revoke,
-gencrl), and the real bootstrapper judging each chain; the verifier's kept
reason comes from verify_probe on the same files."""
# ctest: uses the download port

import os
import re
import shutil
import socket
import subprocess
import tempfile
import unittest

from harness import LOG_ERR, LOG_NOTICE, Sandbox, binary
from nginx_server import Nginx, free_port
from sample_runtime import (make_installer_bundle, make_package, make_runtime_installer,
                            write_system_version)
from signing import SIGNER_EXTENSIONS, Authority, sign
from test_bootstrapper_download import BEGIN, NOT_INSTALLED, PORT, VALIDATION_FAILED
from test_download import NO_PROXY

FOLDER = "nimbra/3/psu/macos10.6/x86"
PAST = ("20200101000000Z", "20200201000000Z")
REVOKED = "certificate revoked"
UNREACHABLE = "http://127.0.0.1:1/unreachable.crl"
HTML = b"<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\n"


class Case:
    """One signing chain: the demonstration root, an intermediate of its own
    and a signer, each naming the distribution points given; the lists it
    publishes; what the bootstrapper must conclude."""

    def __init__(self, fx, name, signer_cdp=None, intermediate_cdp=None, extra_sections=""):
        self.name = name
        self.intermediate = fx.root.sub_authority(f"{name}-ca", crl_url=intermediate_cdp)
        extensions = SIGNER_EXTENSIONS
        if signer_cdp:
            extensions += f"crlDistributionPoints = {signer_cdp}\n{extra_sections}"
        self.key, self.cert, self.chain = self.intermediate.signer(name, extensions=extensions)
        folder = os.path.join(fx.dir, "cases", name)
        os.makedirs(folder)
        self.data = os.path.join(folder, "installer")
        shutil.copyfile(fx.installer, self.data)
        self.signature = sign(self.data, self.key, self.cert, self.chain)


class Fixture:
    def __init__(self, folder):
        self.dir = folder
        self.port = free_port()
        self.installer = make_runtime_installer(os.path.join(folder, "installer"))
        self.root = Authority.demo_root(folder)
        self.published = {}  # server path -> bytes

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def publish(self, path, authority, **options):
        out = os.path.join(self.dir, path.strip("/").replace("/", "_"))
        with open(authority.crl(out, **options), "rb") as f:
            self.published[path] = f.read()
        return self.url(path)


def build_cases(fx):
    cases = {}

    def add(case, valid, fetched=(), unreachable=()):
        """FETCHED: the server paths requested; UNREACHABLE: addresses tried
        in vain."""
        case.valid, case.fetched = valid, list(fetched)
        case.addresses = sorted([fx.url(path) for path in fetched] + list(unreachable))
        cases[case.name] = case

    add(Case(fx, "no-distribution-point"), True)
    add(Case(fx, "directory-name-only", signer_cdp="dirName:crl_directory",
             extra_sections="[crl_directory]\nCN = Revocation Directory\n"), True)

    # Signer and intermediate name one address: it is fetched once.
    shared = fx.url("/crl/shared/list.crl")
    c = Case(fx, "same-address", signer_cdp=f"URI:{shared}", intermediate_cdp=shared)
    fx.publish("/crl/shared/list.crl", c.intermediate)
    add(c, True, ["/crl/shared/list.crl"])

    path = "/crl/signer-revoked/intermediate.crl"
    c = Case(fx, "signer-revoked", signer_cdp=f"URI:{fx.url(path)}")
    c.intermediate.revoke(c.cert)
    fx.publish(path, c.intermediate)
    add(c, False, [path])

    path = "/crl/intermediate-revoked/root.crl"
    c = Case(fx, "intermediate-revoked", intermediate_cdp=fx.url(path))
    fx.root.revoke(c.intermediate.cert)
    fx.publish(path, fx.root)
    add(c, False, [path])

    path = "/crl/expired/intermediate.crl"
    c = Case(fx, "revoked-in-an-expired-list-only", signer_cdp=f"URI:{fx.url(path)}")
    c.intermediate.revoke(c.cert)
    fx.publish(path, c.intermediate, lastupdate=PAST[0], nextupdate=PAST[1])
    add(c, True, [path])

    path = "/crl/one-unreachable/intermediate.crl"
    c = Case(fx, "one-unreachable-one-revoking", signer_cdp=f"URI:{fx.url(path)}",
             intermediate_cdp=UNREACHABLE)
    c.intermediate.revoke(c.cert)
    fx.publish(path, c.intermediate)
    add(c, False, [path], [UNREACHABLE])

    add(Case(fx, "every-address-unreachable", signer_cdp=f"URI:{UNREACHABLE}",
             intermediate_cdp="http://127.0.0.1:1/another.crl"), True, [],
        [UNREACHABLE, "http://127.0.0.1:1/another.crl"])

    # Transfers that cannot even start still end the verification.
    add(Case(fx, "addresses-that-cannot-be-fetched",
             signer_cdp="URI:gopher://127.0.0.1:1/list, URI:not a url",
             intermediate_cdp="ldap://127.0.0.1:1/cn=list"), True, [],
        ["gopher://127.0.0.1:1/list", "not a url", "ldap://127.0.0.1:1/cn=list"])

    path = "/crl/pem/intermediate.crl"
    c = Case(fx, "pem-list-revokes", signer_cdp=f"URI:{fx.url(path)}")
    c.intermediate.revoke(c.cert)
    fx.publish(path, c.intermediate, pem=True)
    add(c, False, [path])

    path = "/crl/html/intermediate.crl"
    c = Case(fx, "html-page-instead-of-a-list", signer_cdp=f"URI:{fx.url(path)}")
    fx.published[path] = HTML
    add(c, True, [path])
    return cases


def setUpModule():
    global FX, CASES, SERVER
    FX = Fixture(tempfile.mkdtemp(prefix="nimbra-revocation."))
    try:
        CASES = build_cases(FX)
        SERVER = Nginx(FX.port, FX.published).__enter__()
    except BaseException:
        shutil.rmtree(FX.dir, ignore_errors=True)
        raise


def tearDownModule():
    SERVER.__exit__(None, None, None)
    shutil.rmtree(FX.dir, ignore_errors=True)


def probe(case, *options):
    with Sandbox() as sb:
        out = subprocess.run([binary("verify_probe"), *options, case.data, case.signature],
                             env={k: v for k, v in sb.env.items() if k.lower() != "http_proxy"},
                             capture_output=True, text=True, timeout=60)
        return out.returncode, out.stdout.splitlines(), os.listdir(sb.tmp)


class VerifierTest(unittest.TestCase):
    def test_verdict_and_kept_reason(self):
        for case in CASES.values():
            with self.subTest(case.name):
                rc, lines, left = probe(case)
                self.assertEqual(rc, 0, lines)
                self.assertEqual(lines[0], f"verdict valid {int(case.valid)} after-return 1 "
                                 "sender-ok 1")
                self.assertEqual(lines[1], "reason " + ("" if case.valid else REVOKED))
                self.assertEqual(lines[-1], "verdicts 1")
                # Every fetched list is deleted.
                self.assertEqual(left, [])

    def test_a_cancelled_list_download_accepts_the_signature(self):
        # A server that takes the connection and never answers.
        with socket.socket() as silent:
            silent.bind(("127.0.0.1", 0))
            silent.listen()
            url = f"http://127.0.0.1:{silent.getsockname()[1]}/never.crl"
            case = Case(FX, "cancelled", signer_cdp=f"URI:{url}")
            rc, lines, left = probe(case, "--cancel")
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines[:2], ["verdict valid 1 after-return 1 sender-ok 1", "reason "])
        self.assertEqual(left, [])


@unittest.skipUnless(PORT, "this build does not download from loopback")
class BootstrapperTest(unittest.TestCase):
    def run_case(self, case, env=None):
        with Sandbox() as sb:
            write_system_version(sb.root, "10.6.8")
            package = make_package(os.path.join(sb.path, "packages"), "Sample")
            bundle = make_installer_bundle(sb.path, "Sample", package)
            with open(case.data, "rb") as f, open(case.signature, "rb") as g:
                files = {f"/{FOLDER}/installer": f.read(), f"/{FOLDER}/installer.p7": g.read()}
            before = len(SERVER.requests())
            with Nginx(PORT, files):
                r = sb.run([bundle.executable, "-silent", "-allowDownload"],
                           env={**NO_PROXY, **(env or {})})
            fetched = SERVER.requests()[before:]
            # The installer, its signature and every list are gone.
            self.assertEqual(os.listdir(sb.tmp), [], case.name)
        return r, fetched, bundle.package

    def test_each_chain(self):
        for case in CASES.values():
            with self.subTest(case.name):
                r, fetched, package = self.run_case(case)
                self.assertEqual(fetched, case.fetched)
                messages = r.messages
                self.assertEqual(messages[:2], [BEGIN, NOT_INSTALLED])
                # After the installer and its signature: the list downloads,
                # then the checks.
                after = messages[8:]
                begun = [m for m in after if m.startswith("Begin crl download from ")]
                self.assertEqual(sorted(begun),
                                 ["Begin crl download from " + url for url in case.addresses])
                checks = [m for m in after if not m.startswith(DOWNLOAD_LINES)]
                if case.valid:
                    self.assertEqual(r.returncode, 0, r.stderr)
                    chain = (["Begin cert chain validation", "Cert chain validation succeeded"]
                             if case.fetched else [])
                    self.assertEqual(checks, chain + [
                        "Detached signature verified",
                        'Launching subprocess with commandline "Nimbra Runtime Installer" '
                        f"-silent {package} ",
                        "Subprocess Runtime Installer succeeded",
                        "Bootstrapper end with exit code 0"])
                else:
                    self.assertEqual(r.returncode, 13, r.stderr)
                    self.assertIn(VALIDATION_FAILED, r.stderr)
                    self.assertEqual([(line.priority, line.message) for line in r.syslog][-5:], [
                        (LOG_NOTICE, "Begin cert chain validation"),
                        (LOG_NOTICE, "Cert revocation found"),
                        (LOG_ERR, "Cert chain validation failed"),
                        (LOG_NOTICE, "Cert revocation found"),
                        (LOG_ERR, "Bootstrapper end with exit code 13")])
                    self.assertEqual(len(checks), 5)

    def test_traces_follow_the_lists_and_the_verdicts(self):
        """With NIMBRA_TRACE each address, each fetch's status and size, each
        certificate's verdict and the verifier's reason are on standard error,
        and the run is otherwise the same."""
        case = CASES["signer-revoked"]
        plain, _, _ = self.run_case(case)
        traced, _, _ = self.run_case(case, env={"NIMBRA_TRACE": "1"})
        self.assertEqual(traced.returncode, plain.returncode)
        # Each run has a sandbox of its own.
        def same(messages):
            return [re.sub(r"/nimbra-e2e\.\w+/", "/SANDBOX/", m) for m in messages]
        self.assertEqual(same(traced.messages), same(plain.messages))
        self.assertNotIn("Install Sample: ", plain.stderr)
        lines = [line[len("Install Sample: "):] for line in traced.stderr.splitlines()
                 if line.startswith("Install Sample: ")]
        (address,) = case.addresses
        self.assertIn(f"Info: CRL address {address}", lines)
        self.assertIn(f"Info: HTTP status 200 from {address}, "
                      f"{len(FX.published[case.fetched[0]])} bytes announced", lines)
        verdicts = [line for line in lines if line.startswith("Info: Certificate ")]
        # The walk starts at the signer and stops at the revoked one.
        self.assertEqual(verdicts, ["Info: Certificate CN=Zandrel Nimbra,OU=Zandrel Trust "
                                    "Services,O=Zandrel Systems Incorporated,C=US is revoked"])
        self.assertIn(f"Error: Signature rejected: {REVOKED}", lines)


DOWNLOAD_LINES = ("Begin crl download from ", "Download destination is ", "Download success",
                  "Download failure: ")


if __name__ == "__main__":
    unittest.main()
