#!/usr/bin/python3
"""A slow, failing memory card for tests and benchmarks.

Mounts a FUSE file system holding one read-only file, MOUNTPOINT/card, whose bytes are those of
IMAGE. Reads are throttled to --rate MB/s (10^6 bytes a second, one reader's bandwidth shared by
all requests) and a read that touches a sector listed in --bad-ranges fails with EIO after
--error-delay seconds, as a failing card behind a USB reader does. Every read is served without
the kernel's page cache (direct I/O), so each request of a loop device over the file reaches the
card.

Put a read-only loop device over it to get a real block device:
    slowcard.py card.img /mnt/slow --rate 90 --bad-ranges bad.txt --error-delay 0.5 &
    losetup --read-only --find --show /mnt/slow/card
    ...
    losetup -d /dev/loopN; fusermount -u /mnt/slow   (or umount /mnt/slow)

The bad-ranges file holds one range a line, "FIRST_SECTOR COUNT" in 512-byte sectors; blank
lines and lines starting with "#" are ignored. With --log FILE every request is appended to FILE
as "OFFSET SIZE ok" or "OFFSET SIZE EIO" (bytes), so a benchmark can count what was asked.
The program stays in the foreground until the file system is unmounted (or it gets SIGINT or
SIGTERM), and answers --ready FILE by creating FILE once the mount is in place.
"""

import argparse
import errno
import os
import stat
import sys
import threading
import time

import fusepy

SECTOR = 512


def read_bad_ranges(path):
    ranges = []
    if not path:
        return ranges
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split()
            if len(parts) != 2:
                raise SystemExit(f"{path}:{number}: expected 'FIRST_SECTOR COUNT'")
            first, count = int(parts[0]), int(parts[1])
            if first < 0 or count <= 0:
                raise SystemExit(f"{path}:{number}: a range needs a sector >= 0 and a count > 0")
            ranges.append((first * SECTOR, (first + count) * SECTOR))
    return sorted(ranges)


class Throttle:
    """One reader's bandwidth: requests take their turn and each costs size / rate."""

    def __init__(self, bytes_per_second):
        self.rate = bytes_per_second
        self.lock = threading.Lock()
        self.free_at = time.monotonic()

    def wait(self, size):
        if self.rate <= 0:
            return
        with self.lock:
            start = max(self.free_at, time.monotonic())
            self.free_at = start + size / self.rate
            done_at = self.free_at
        delay = done_at - time.monotonic()
        if delay > 0:
            time.sleep(delay)


class SlowCard(fusepy.Operations):
    def __init__(self, image, options):
        self.image = image
        self.fd = os.open(image, os.O_RDONLY)
        self.size = os.fstat(self.fd).st_size
        self.bad = read_bad_ranges(options.bad_ranges)
        self.error_delay = options.error_delay
        self.throttle = Throttle(options.rate * 1e6)
        self.log = open(options.log, "a", encoding="utf-8", buffering=1) if options.log else None
        self.log_lock = threading.Lock()
        self.ready = options.ready
        self.mounted_at = time.time()

    def init(self, path):
        if self.ready:
            with open(self.ready, "w", encoding="utf-8") as marker:
                marker.write(f"{os.getpid()}\n")

    def touches_bad(self, offset, size):
        end = offset + size
        return any(first < end and offset < last for first, last in self.bad)

    def note(self, offset, size, outcome):
        if self.log:
            with self.log_lock:
                self.log.write(f"{offset} {size} {outcome}\n")

    def getattr(self, path, fh=None):
        now = self.mounted_at
        if path == "/":
            return dict(st_mode=stat.S_IFDIR | 0o555, st_nlink=2, st_size=0,
                        st_atime=now, st_mtime=now, st_ctime=now)
        if path == "/card":
            return dict(st_mode=stat.S_IFREG | 0o444, st_nlink=1, st_size=self.size,
                        st_atime=now, st_mtime=now, st_ctime=now)
        raise fusepy.FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        if path != "/":
            raise fusepy.FuseOSError(errno.ENOTDIR)
        return [".", "..", "card"]

    def open(self, path, fip):
        if path != "/card":
            raise fusepy.FuseOSError(errno.ENOENT)
        if (fip.flags & os.O_ACCMODE) != os.O_RDONLY:
            raise fusepy.FuseOSError(errno.EROFS)
        fip.direct_io = 1
        fip.keep_cache = 0
        return 0

    def read(self, path, size, offset, fh):
        size = max(0, min(size, self.size - offset))
        if size and self.touches_bad(offset, size):
            time.sleep(self.error_delay)
            self.note(offset, size, "EIO")
            raise fusepy.FuseOSError(errno.EIO)
        self.throttle.wait(size)
        self.note(offset, size, "ok")
        return os.pread(self.fd, size, offset)

    def statfs(self, path):
        return dict(f_bsize=SECTOR, f_frsize=SECTOR, f_blocks=self.size // SECTOR,
                    f_bfree=0, f_bavail=0, f_namemax=255)


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog="\n\n".join(__doc__.split("\n\n")[1:]),
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("image", help="the card image whose bytes the file shows")
    parser.add_argument("mountpoint", help="an empty folder; the file appears as MOUNTPOINT/card")
    parser.add_argument("--rate", type=float, default=0,
                        help="reading speed in MB/s (10^6 bytes); 0 (default) for no limit")
    parser.add_argument("--bad-ranges", metavar="FILE",
                        help="sectors that fail: 'FIRST_SECTOR COUNT' a line, 512-byte sectors")
    parser.add_argument("--error-delay", type=float, default=0.0, metavar="S",
                        help="seconds a failing read takes before it answers EIO (default 0)")
    parser.add_argument("--log", metavar="FILE",
                        help="append every request as 'OFFSET SIZE ok|EIO' to FILE")
    parser.add_argument("--ready", metavar="FILE",
                        help="create FILE (holding the process id) once the mount is in place")
    options = parser.parse_args()
    if not os.path.isfile(options.image):
        parser.error(f"{options.image}: no such file")
    if not os.path.isdir(options.mountpoint):
        parser.error(f"{options.mountpoint}: no such folder")
    card = SlowCard(options.image, options)
    fusepy.FUSE(card, options.mountpoint, foreground=True, nothreads=False, raw_fi=True,
                ro=True, allow_other=True, default_permissions=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
