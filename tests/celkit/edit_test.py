"""celkit edit's server as a hostile neighbour and as the page see it: raw
HTTP over sockets (no client library smooths a request over), sheets made
by Pillow, fonts checked against the build's celpack and celkit import."""
import base64, json, os, re, shutil, signal, socket, subprocess, time, unittest
from PIL import Image

from celkit_test import run_suites

ARGS = None
URL = re.compile(r"^http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32})$")


def fresh(name):
    path = os.path.join(ARGS.work, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def command(program, args):
    return (["wine", program] if ARGS.wine else [program]) + args


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Edit:
    """A running `celkit edit` in `cwd`, its output in files (Wine keeps pipes open)."""

    def __init__(self, cwd, args):
        self.out, self.err = os.path.join(cwd, "..", "out.txt"), os.path.join(cwd, "..", "err.txt")
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.process = subprocess.Popen(command(ARGS.celkit, ["edit"] + args), cwd=cwd, stdout=out, stderr=err)
        end = time.monotonic() + 60
        while not (m := URL.match(read(self.out).decode().strip())):
            if self.process.poll() is not None or time.monotonic() > end:
                raise AssertionError("no address: " + read(self.err).decode())
            time.sleep(0.05)
        self.port, self.token = int(m.group(1)), m.group(2)
        self.host = "127.0.0.1:%d" % self.port

    def stop(self):
        self.process.send_signal(signal.SIGINT)
        return self.process.wait(timeout=60)

    def request(self, raw):
        """Sends `raw` bytes, returns (status, headers text, body)."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=30) as s:
            s.sendall(raw)
            s.shutdown(socket.SHUT_WR)
            data = b""
            while chunk := s.recv(65536):
                data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        return int(head.split(b" ")[1]), head.decode("latin-1"), body

    def http(self, method, target, body=b"", host=None, origin=None, headers=()):
        lines = ["%s %s HTTP/1.1" % (method, target), "Host: " + (host or self.host), "Connection: close"]
        if origin is not None:
            lines.append("Origin: " + origin)
        if method == "POST":
            lines.append("Content-Length: %d" % len(body))
        lines += list(headers)
        return self.request(("\r\n".join(lines) + "\r\n\r\n").encode() + body)

    def sheet(self):
        status, _, body = self.http("GET", "/api/sheet?token=" + self.token)
        assert status == 200, body
        return json.loads(body)

    def save(self, glyphs, base):
        return self.http("POST", "/api/save", bytes(glyphs), origin="http://" + self.host,
                         headers=["X-Token: " + self.token, "X-Base-Version: " + base])


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sheet_with(glyphs, ink=1, paper=0, mode="1", cell=16):
    im = Image.new(mode, (16 * cell, 16 * cell), paper)
    for g in glyphs:
        for i in range(cell):
            im.putpixel(((g % 16) * cell + i, (g // 16) * cell + (g * 7 + i) % cell), ink)
    return im


def celpack_font(d, sheet):
    """What the build's celpack makes of the bytes `sheet` holds."""
    c = fresh(os.path.join(os.path.relpath(d, ARGS.work), "..", "celpack"))
    shutil.copy(sheet, os.path.join(c, "sheet.bmp"))
    subprocess.run(command(ARGS.celpack, ["sheet.bmp"]), cwd=c, check=True, capture_output=True, timeout=60)
    return read(os.path.join(c, "sheet.bmp.fnt"))


class Server(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("server/dir")
        sheet_with([0x41]).save(os.path.join(cls.dir, "sheet.bmp"))
        cls.edit = Edit(cls.dir, ["sheet.bmp"])

    @classmethod
    def tearDownClass(cls):
        cls.edit.stop()

    def test_refusals_name_their_reason_and_write_nothing(self):
        e, before = self.edit, read(os.path.join(self.dir, "sheet.bmp"))
        token, page = e.token, "http://" + e.host
        good = ["X-Token: " + token, "X-Base-Version: " + e.sheet()["version"]]
        font = bytes(8192)
        for name, (method, target, body, host, origin, headers), status, reason in [
                ("no token", ("GET", "/api/sheet", b"", None, None, ()), 401, "no access token"),
                ("wrong token", ("GET", "/?token=" + "0" * 32, b"", None, None, ()), 403, "wrong access token"),
                ("a token one digit short", ("GET", "/?token=" + token[:-1], b"", None, None, ()), 403, "wrong access token"),
                ("foreign Host", ("GET", "/?token=" + token, b"", "attacker.example:%d" % e.port, None, ()), 403, "is not this server"),
                ("Host on another port", ("GET", "/?token=" + token, b"", "127.0.0.1:1", None, ()), 403, "is not this server"),
                ("foreign Origin", ("POST", "/api/save", font, None, "http://attacker.example", good), 403, "is not this server's page"),
                ("no Origin on a write", ("POST", "/api/save", font, None, None, good), 403, "needs the page's Origin"),
                ("body too short", ("POST", "/api/save", b"x" * 100, None, page, good), 400, "a save is the font's 8192 bytes"),
                ("body too long", ("POST", "/api/save", font * 64, None, page, good), 413, "more than the 8192 bytes"),
                ("no base version", ("POST", "/api/save", font, None, page, good[:1]), 400, "X-Base-Version"),
                ("a path up and out", ("GET", "/../../etc/passwd?token=" + token, b"", None, None, ()), 404, "nothing here"),
                ("the sheet by name", ("GET", "/sheet.bmp?token=" + token, b"", None, None, ()), 404, "nothing here"),
                ("a save under another name", ("POST", "/api/save/../../x.bmp", font, None, page, good), 404, "nothing here"),
                ("a write where only reads go", ("POST", "/api/sheet", font, None, page, good), 405, "only GET"),
                ("a read where only saves go", ("GET", "/api/save?token=" + token, b"", None, None, ()), 405, "only POST")]:
            with self.subTest(name):
                got, _, text = e.http(method, target, body, host, origin, headers)
                self.assertEqual(got, status, text)
                self.assertIn(reason, json.loads(text)["error"])
        got, _, text = e.request(b"NOT HTTP AT ALL\r\n\r\n")
        self.assertEqual(got, 400, text)
        self.assertEqual(read(os.path.join(self.dir, "sheet.bmp")), before)
        self.assertEqual(sorted(os.listdir(self.dir)), ["sheet.bmp"])

    def test_many_idle_or_slow_connections_do_not_stop_the_page(self):
        e, idle = self.edit, []
        try:
            for i in range(300):
                s = socket.create_connection(("127.0.0.1", e.port), timeout=30)
                s.sendall(b"GET /?token=" + e.token.encode() + b" HTTP/1.1\r\nHo")  # never finished
                idle.append(s)
            start = time.monotonic()
            status, head, page = e.http("GET", "/?token=" + e.token)
            self.assertEqual(status, 200)
            self.assertIn("Content-Security-Policy: default-src 'none'", head)
            self.assertIn(b"<canvas id=\"editor\"", page)
            self.assertLess(time.monotonic() - start, 10)
        finally:
            for s in idle:
                s.close()


class Saves(unittest.TestCase):
    def test_a_save_changes_the_pixel_and_writes_the_font_celpack_makes(self):
        # (sheet name, Pillow picture, format, the font beside it made as celpack or import makes it)
        magenta = sheet_with([0x41, 0x7A], ink=(0, 0, 0), paper=(255, 0, 255), mode="RGB", cell=8)
        for name, im, fmt, cell, maker in [
                ("sheet.bmp", sheet_with([0x41, 0x42]), "BMP", 16, "celpack"),
                ("magenta.bmp", magenta, "BMP", 8, "celpack"),
                ("icon.ico", sheet_with([0x41], ink=(255, 255, 0), paper=(0, 0, 64), mode="RGB"), "ICO", 16, "celpack"),
                ("chart.png", magenta, "PNG", 8, "import")]:
            with self.subTest(name):
                if ARGS.wine and fmt == "ICO":
                    # The Windows build reads Pillow's PNG-in-ICO with red and blue
                    # swapped (celkit info shows it too), so the icon comes back so.
                    continue
                d = fresh("saves/" + name + "/dir")
                path = os.path.join(d, name)
                im.save(path, fmt, **({"sizes": [(256, 256)]} if fmt == "ICO" else {}))
                before = Image.open(path).convert("RGB")
                e = Edit(d, [name])
                try:
                    sheet = e.sheet()
                    self.assertEqual((sheet["cellWidth"], sheet["cellHeight"]), (cell, cell))
                    glyphs = bytearray(base64.b64decode(sheet["glyphs"]))
                    glyphs[0x41 * 32 + 2 * 2] ^= 0x40  # glyph 0x41, x 1, y 2
                    status, _, body = e.save(glyphs, sheet["version"])
                    self.assertEqual(status, 200, body)
                    self.assertEqual(json.loads(body)["written"], [name, name + ".fnt"])
                    self.assertEqual(e.sheet()["glyphs"], base64.b64encode(glyphs).decode())
                finally:
                    self.assertEqual(e.stop(), 0)
                self.assertEqual(Image.open(path).format, fmt)
                after = Image.open(path).convert("RGB")
                changed = [(x, y) for y in range(before.height) for x in range(before.width)
                           if before.getpixel((x, y)) != after.getpixel((x, y))]
                self.assertEqual(changed, [(cell + 1, 4 * cell + 2)])
                ink = before.getpixel((cell, 4 * cell + 0x41 * 7 % cell))  # sheet_with's first pixel of 0x41
                self.assertEqual(after.getpixel((cell + 1, 4 * cell + 2)), ink)
                if maker == "celpack":
                    self.assertEqual(read(path + ".fnt"), celpack_font(d, path))
                else:
                    subprocess.run(command(ARGS.celkit, ["import", name, "-o", "import.fnt"]), cwd=d, check=True, capture_output=True, timeout=60)
                    self.assertEqual(read(path + ".fnt"), read(os.path.join(d, "import.fnt")))

    def test_a_sheet_changed_on_disk_is_reported_and_never_overwritten_unasked(self):
        d = fresh("conflict/dir")
        path = os.path.join(d, "sheet.bmp")
        sheet_with([0x41]).save(path)
        e = Edit(d, ["sheet.bmp"])
        try:
            first = e.sheet()
            with socket.create_connection(("127.0.0.1", e.port), timeout=30) as events:
                events.sendall(("GET /api/events?token=%s HTTP/1.1\r\nHost: %s\r\n\r\n" % (e.token, e.host)).encode())
                got = b""
                while b"\n\n" not in got.partition(b"\r\n\r\n")[2]:
                    got += events.recv(4096)
                self.assertIn(b"text/event-stream", got)
                sheet_with([0x42]).save(path + ".new", "BMP")
                os.replace(path + ".new", path)  # as an editor saves
                theirs = read(path)
                got = b""
                while b'"version"' not in got:
                    got += events.recv(4096)
            second = e.sheet()
            self.assertNotEqual(second["disk"], first["version"])
            self.assertIn(second["disk"].encode(), got)
            mine = bytearray(base64.b64decode(first["glyphs"]))
            mine[0] = 0xFF
            status, _, body = e.save(mine, first["version"])
            self.assertEqual(status, 409, body)
            self.assertEqual(json.loads(body), {"error": "sheet.bmp was changed on disk since the page read it", "version": second["disk"]})
            self.assertEqual(read(path), theirs)
            status, _, body = e.save(mine, second["disk"])  # "keep mine"
            self.assertEqual(status, 200, body)
            self.assertEqual(base64.b64decode(e.sheet()["glyphs"]), bytes(mine))
        finally:
            e.stop()

    def test_a_kill_during_saves_leaves_the_old_sheet_or_the_new(self):
        if ARGS.wine:
            self.skipTest("a kill under Wine ends wine's own process, not celkit's")
        d = fresh("kill/dir")
        path = os.path.join(d, "sheet.bmp")
        sheet_with([0x41]).save(path)
        sheets = {read(path)}
        e = Edit(d, ["sheet.bmp"])
        sheet = e.sheet()
        glyphs, base = bytearray(base64.b64decode(sheet["glyphs"])), sheet["version"]
        for i in range(40):
            glyphs[0x30 * 32 + i] ^= 0xFF
            status, _, body = e.save(glyphs, base)
            self.assertEqual(status, 200, body)
            base = json.loads(body)["version"]
            sheets.add(read(path))
        with socket.create_connection(("127.0.0.1", e.port), timeout=30) as s:
            glyphs[0x31 * 32] ^= 0xFF
            s.sendall(("POST /api/save HTTP/1.1\r\nHost: %s\r\nOrigin: http://%s\r\nX-Token: %s\r\nX-Base-Version: %s\r\nContent-Length: 8192\r\n\r\n"
                       % (e.host, e.host, e.token, base)).encode() + bytes(glyphs))
            e.process.kill()
        e.process.wait(timeout=60)
        final = read(path)
        # A temporary file may stay beside it; the sheet itself is whole.
        self.assertTrue(final in sheets or celpack_font(d, path) == bytes(glyphs))


class Cli(unittest.TestCase):
    def test_new_sheets_and_refusals(self):
        for name, setup, args, code, message in [
                ("a new BMP of 8 x 8 cells", None, ["new.bmp", "--new", "8x8"], 0, None),
                ("a new icon", None, ["new.ico", "--new", "16x16"], 0, None),
                ("--new over a sheet", "sheet.bmp", ["sheet.bmp", "--new", "8x8"], 1, "sheet.bmp: already exists"),
                ("--new of no picture kind", None, ["new.gif", "--new", "8x8"], 2, "a new sheet is a .bmp, .ico or .png"),
                ("--new cells too large", None, ["new.bmp", "--new", "17x16"], 2, "--cell"),
                ("standard input", None, ["-"], 2, "standard input cannot be saved back"),
                ("a missing sheet", None, ["gone.bmp"], 1, "gone.bmp: cannot open"),
                ("no sheet", "text", ["sheet.bmp"], 1, "sheet.bmp: not a BMP, ICO or PNG picture"),
                ("cells too large", "large", ["sheet.bmp"], 1, "at most 16 x 16 fit"),
                ("a port out of range", None, ["sheet.bmp", "--port", "70000"], 2, "--port")]:
            with self.subTest(name):
                d = fresh("cli/dir")
                if setup == "sheet.bmp":
                    sheet_with([0x41]).save(os.path.join(d, "sheet.bmp"))
                elif setup == "text":
                    open(os.path.join(d, "sheet.bmp"), "wb").write(b"hello")
                elif setup == "large":
                    sheet_with([0x41]).resize((512, 512)).save(os.path.join(d, "sheet.bmp"))
                before = sorted(os.listdir(d))
                if code == 0:
                    e = Edit(d, args)
                    sheet = e.sheet()
                    self.assertEqual(e.stop(), 0)
                    self.assertEqual((sheet["cellWidth"], sheet["cellHeight"]), tuple(map(int, args[2].split("x"))))
                    self.assertEqual(base64.b64decode(sheet["glyphs"]), bytes(8192))
                    self.assertEqual(read(os.path.join(d, args[0] + ".fnt")), bytes(8192))
                    self.assertEqual(Image.open(os.path.join(d, args[0])).size, (16 * sheet["cellWidth"], 16 * sheet["cellHeight"]))
                    continue
                run = subprocess.run(command(ARGS.celkit, ["edit"] + args), cwd=d, capture_output=True, timeout=60)
                self.assertEqual(run.returncode, code)
                err = run.stderr.decode()
                self.assertTrue(err.startswith("celkit: ") and message in err, err)
                self.assertEqual(sorted(os.listdir(d)), before)

    def test_open_hands_the_printed_address_to_the_browser(self):
        if ARGS.wine:
            self.skipTest("Wine's shell opens the address with its own browser")
        d = fresh("open/dir")
        sheet_with([0x41]).save(os.path.join(d, "sheet.bmp"))
        bin = fresh("open/bin")
        opener = os.path.join(bin, "xdg-open")
        with open(opener, "w") as f:
            f.write('#!/bin/sh\nprintf %s "$1" > "' + os.path.join(bin, "opened") + '"\n')
        os.chmod(opener, 0o755)
        path = os.environ["PATH"]
        os.environ["PATH"] = bin + os.pathsep + path
        try:
            e = Edit(d, ["sheet.bmp", "--open", "--port", str(free_port())])
        finally:
            os.environ["PATH"] = path
        try:
            end = time.monotonic() + 20
            while not os.path.exists(os.path.join(bin, "opened")) and time.monotonic() < end:
                time.sleep(0.05)
            self.assertEqual(read(os.path.join(bin, "opened")).decode(), read(e.out).decode().strip())
        finally:
            self.assertEqual(e.stop(), 0)

    def test_a_taken_port_is_refused_with_the_reason(self):
        d = fresh("port/dir")
        sheet_with([0x41]).save(os.path.join(d, "sheet.bmp"))
        e = Edit(d, ["sheet.bmp"])
        try:
            run = subprocess.run(command(ARGS.celkit, ["edit", "sheet.bmp", "--port", str(e.port)]), cwd=d,
                                 capture_output=True, timeout=60)
            self.assertEqual(run.returncode, 1)
            self.assertIn("cannot listen on 127.0.0.1 port %d" % e.port, run.stderr.decode())
        finally:
            e.stop()


if __name__ == "__main__":
    run_suites(globals())
