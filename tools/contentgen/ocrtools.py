"""Makes sure the OCR program the reading checks use is there: installs
Debian's tesseract-ocr with apt-get when it is missing and we are root (or
have password-less sudo), and otherwise says how to install it."""
import os
import shutil
import subprocess

PACKAGE = "tesseract-ocr"


def ensure_tesseract(who):
    if shutil.which("tesseract"):
        return True
    if os.geteuid() == 0:
        prefix = []
    elif shutil.which("sudo") and subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode == 0:
        prefix = ["sudo"]
    else:
        print(f"{who}: tesseract is not installed; as root run: apt-get install {PACKAGE}")
        return False
    print(f"{who}: installing {PACKAGE} with apt-get", flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    for command in (["apt-get", "-q", "update"],
                    ["apt-get", "-q", "install", "-y", "--no-install-recommends", PACKAGE]):
        result = subprocess.run(prefix + command, capture_output=True, text=True, env=env)
        if result.returncode != 0:
            print(f"{who}: {' '.join(command)} failed:\n{result.stderr.strip()}")
            return False
    return shutil.which("tesseract") is not None
