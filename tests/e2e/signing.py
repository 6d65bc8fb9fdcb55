"""Certification authorities, certificates, signatures and revocation lists
for the tests, all made by the openssl command-line tool (`openssl ca`,
`openssl req`, and the project's own signing command)."""

import os
import subprocess
import textwrap

from harness import BUILD_DIR

HERE = os.path.dirname(os.path.abspath(__file__))
SIGN_COMMAND = os.path.join(HERE, "..", "..", "tools", "nimbra-sign")
DEMO_CA = os.path.join(BUILD_DIR, "demo-ca")

EXPECTED_SUBJECT = ("/C=US/O=Zandrel Systems Incorporated/OU=Zandrel Trust Services"
                    "/CN=Zandrel Nimbra")
EXPECTED_OID = "1.2.840.264907.1.1.12"
SIGNER_EXTENSIONS = f"""
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning, {EXPECTED_OID}
"""
CA_EXTENSIONS = """
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
"""


def openssl(*args, input=None):
    subprocess.run(["openssl", *args], check=True, input=input, capture_output=True)


def _key(path):
    openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", path)


class Authority:
    """A certification authority in FOLDER/NAME with its openssl ca
    database: it issues certificates, revokes them and publishes lists."""

    def __init__(self, folder, name, key, cert, chain=()):
        self.dir = os.path.join(folder, name)
        os.makedirs(os.path.join(self.dir, "issued"), exist_ok=True)
        self.name, self.key, self.cert = name, key, cert
        # The certificates above this one, up to (not including) the anchor.
        self.chain = list(chain)
        open(os.path.join(self.dir, "index.txt"), "w").close()
        with open(os.path.join(self.dir, "serial"), "w") as f:
            f.write("1000\n")
        with open(os.path.join(self.dir, "crlnumber"), "w") as f:
            f.write("01\n")
        self.config = os.path.join(self.dir, "ca.cnf")
        with open(self.config, "w") as f:
            f.write(textwrap.dedent(f"""\
                [ca]
                default_ca = this
                [this]
                database = {self.dir}/index.txt
                new_certs_dir = {self.dir}/issued
                serial = {self.dir}/serial
                crlnumber = {self.dir}/crlnumber
                certificate = {cert}
                private_key = {key}
                default_md = sha256
                default_days = 365
                default_crl_days = 30
                policy = anything
                unique_subject = no
                preserve = yes
                email_in_dn = yes
                [anything]
                countryName = optional
                stateOrProvinceName = optional
                localityName = optional
                organizationName = optional
                organizationalUnitName = optional
                commonName = optional
                emailAddress = optional
                """))

    @classmethod
    def demo_root(cls, folder):
        """The root of the build's demonstration authority: the anchor compiled
        into this build's programs."""
        return cls(folder, "demo-root", os.path.join(DEMO_CA, "root.key"),
                   os.path.join(DEMO_CA, "root.pem"))

    @classmethod
    def new_root(cls, folder, name, subject=None, startdate=None, enddate=None):
        """A self-signed root of its own, with its DER form in .der."""
        ca_dir = os.path.join(folder, name)
        os.makedirs(ca_dir, exist_ok=True)
        key, cert = os.path.join(ca_dir, "key.pem"), os.path.join(ca_dir, "cert.pem")
        _key(key)
        root = cls(folder, name, key, cert)
        csr = os.path.join(ca_dir, "self.csr")
        openssl("req", "-new", "-key", key, "-subj", subject or f"/O=Tests/CN={name}",
                "-out", csr)
        root._sign(csr, cert, CA_EXTENSIONS, startdate, enddate, selfsign=True)
        root.der = os.path.join(ca_dir, "cert.der")
        openssl("x509", "-in", cert, "-outform", "DER", "-out", root.der)
        return root

    def _sign(self, csr, out, extensions, startdate=None, enddate=None, selfsign=False):
        ext = out + ".ext"
        with open(ext, "w") as f:
            f.write("[ext]\n" + textwrap.dedent(extensions))
        args = ["ca", "-batch", "-notext", "-config", self.config, "-in", csr, "-out", out,
                "-extfile", ext, "-extensions", "ext", "-preserveDN"]
        if selfsign:
            args.append("-selfsign")
        if startdate:
            args += ["-startdate", startdate]
        if enddate:
            args += ["-enddate", enddate]
        openssl(*args)

    def issue(self, name, subject, extensions=SIGNER_EXTENSIONS, startdate=None, enddate=None,
              bmp=False):
        """A certificate for a new key: returns (key, cert). With bmp, the
        subject's values are stored as two-byte strings."""
        key = os.path.join(self.dir, f"{name}.key")
        cert = os.path.join(self.dir, f"{name}.pem")
        csr = os.path.join(self.dir, f"{name}.csr")
        _key(key)
        req_config = os.path.join(self.dir, f"{name}.req.cnf")
        with open(req_config, "w") as f:
            # MASK:0x800 allows BMPString alone.
            f.write("[req]\ndistinguished_name = dn\n"
                    + ("string_mask = MASK:0x800\n" if bmp else "") + "[dn]\n")
        openssl("req", "-new", "-config", req_config, "-key", key, "-subj", subject,
                "-utf8", "-out", csr)
        self._sign(csr, cert, extensions, startdate, enddate)
        return key, cert

    def sub_authority(self, name, crl_url=None, startdate=None, enddate=None):
        """An intermediate authority issued by this one; with crl_url, its
        certificate names that distribution point."""
        extensions = CA_EXTENSIONS + (f"crlDistributionPoints = URI:{crl_url}\n"
                                      if crl_url else "")
        key, cert = self.issue(name, f"/O=Tests/CN={name}", extensions, startdate, enddate)
        return Authority(os.path.dirname(self.dir), name, key, cert, [cert, *self.chain])

    def signer(self, name="signer", subject=EXPECTED_SUBJECT, extensions=SIGNER_EXTENSIONS,
               **options):
        """A signing certificate: (key, cert, chain file of the authorities
        above it, up to the anchor)."""
        key, cert = self.issue(name, subject, extensions, **options)
        chain = os.path.join(self.dir, f"{name}.chain.pem")
        with open(chain, "w") as out:
            for path in self.chain:
                with open(path) as f:
                    out.write(f.read())
        return key, cert, chain

    def revoke(self, cert):
        openssl("ca", "-config", self.config, "-revoke", cert)

    def crl(self, out, pem=False, lastupdate=None, nextupdate=None):
        """Publishes the current list to OUT (DER unless pem)."""
        pem_out = out + ".pem"
        args = ["ca", "-config", self.config, "-gencrl", "-out", pem_out]
        if lastupdate:
            args += ["-crl_lastupdate", lastupdate]
        if nextupdate:
            args += ["-crl_nextupdate", nextupdate]
        openssl(*args)
        if pem:
            os.replace(pem_out, out)
        else:
            openssl("crl", "-in", pem_out, "-outform", "DER", "-out", out)
            os.unlink(pem_out)
        return out


def sign(data, key, cert, chain=None, out=None):
    """The signature of DATA with the project's signing command."""
    out = out or data + ".p7"
    args = [SIGN_COMMAND, "--key", key, "--cert", cert, "--out", out, data]
    if chain and os.path.getsize(chain) > 0:
        args[1:1] = ["--chain", chain]
    subprocess.run(args, check=True, capture_output=True)
    return out


def sign_raw(data, out, signers, chain=None, extra=()):
    """A signature made with openssl smime directly, for the forms the signing
    command does not make: several signers, or signer certificates left out.
    SIGNERS is a list of (key, cert)."""
    args = ["smime", "-sign", "-binary", "-md", "sha256", "-in", data, "-outform", "DER",
            "-out", out, *extra]
    for key, cert in signers:
        args += ["-signer", cert, "-inkey", key]
    if chain and os.path.getsize(chain) > 0:
        args += ["-certfile", chain]
    openssl(*args)
    return out
