// celkit edit's page in the system's Chromium, as a user drives it: a pixel
// of glyph 0x41 clicked in the zoomed editor and saved with Ctrl-S, undone
// and saved again, the preview line against `celkit show --text`, and
// screenshots of the page at a desktop's and a phone's size.
// node edit_page_test.mjs --celkit P --celpack P --work DIR [--wine]
import { spawn, execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const args = { wine: false };
for (let i = 2; i < process.argv.length; i++) {
  const a = process.argv[i];
  if (a === "--wine") args.wine = true;
  else args[a.replace(/^--/, "")] = process.argv[++i];
}
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..", "..");
const work = path.resolve(args.work);
fs.rmSync(work, { recursive: true, force: true });
const dir = path.join(work, "sheet");
fs.mkdirSync(dir, { recursive: true });
const command = (program, rest) => (args.wine ? ["wine", [program, ...rest]] : [program, rest]);
const run = (program, rest, cwd) => execFileSync(...command(program, rest), { cwd, stdio: ["ignore", "pipe", "pipe"], timeout: 120000 });
const fail = (message) => { throw new Error(message); };
const { default: puppeteer } = await import("puppeteer-core").catch(() => {
  console.error("FAIL: puppeteer-core is not installed: run `npm ci` in tests/celkit/browser");
  process.exit(1);
});
const check = (ok, message) => { if (!ok) fail(message); };

// What the build's celpack makes of a sheet's bytes.
function celpackFont(bytes) {
  const d = fs.mkdtempSync(path.join(work, "celpack-"));
  fs.writeFileSync(path.join(d, "sheet.bmp"), bytes);
  run(args.celpack, ["sheet.bmp"], d);
  return fs.readFileSync(path.join(d, "sheet.bmp.fnt"));
}

const sheetPath = path.join(dir, "sheet.bmp"), fontPath = sheetPath + ".fnt";
fs.copyFileSync(path.join(root, "examples", "dejavu-mono.bmp"), sheetPath);
const original = fs.readFileSync(sheetPath);
const originalFont = celpackFont(original);

// The server, its address from its first line (in a file: Wine keeps pipes open).
const outFile = path.join(work, "out.txt");
const out = fs.openSync(outFile, "w"), err = fs.openSync(path.join(work, "err.txt"), "w");
const server = spawn(...command(args.celkit, ["edit", "sheet.bmp"]), { cwd: dir, stdio: ["ignore", out, err] });
let browser;
let exitCode = 1;
async function eventually(what, test, seconds = 60) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const got = await test();
    if (got) return got;
    if (Date.now() > end) fail("waited " + seconds + " s for " + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

try {
  const address = await eventually("the address", () => {
    const m = /^(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})\r?\n/.exec(fs.readFileSync(outFile, "utf8"));
    return m && m[1];
  });
  browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    userDataDir: path.join(work, "chromium-profile"),
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--no-first-run"],
  });
  const page = await browser.newPage();
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));
  page.on("requestfailed", (r) => { if (!r.url().includes("/api/events")) problems.push("request failed: " + r.url()); });
  await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "light" }]);
  await page.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  await page.goto(address, { waitUntil: "load" });
  const status = () => page.$eval("#status", (e) => e.textContent);
  await eventually("the sheet", async () => (await status()) === "Saved");

  // Pictures decoded by Chromium, an independent reader of BMP and PNG.
  const pixelsOf = (bytes) => page.evaluate(async (b64) => {
    const blob = new Blob([Uint8Array.from(atob(b64), (c) => c.charCodeAt(0))]);
    const image = await createImageBitmap(blob);
    const c = new OffscreenCanvas(image.width, image.height), ctx = c.getContext("2d");
    ctx.drawImage(image, 0, 0);
    return { width: image.width, height: image.height, rgba: Array.from(ctx.getImageData(0, 0, image.width, image.height).data) };
  }, Buffer.from(bytes).toString("base64"));
  const differences = (a, b) => {
    check(a.width === b.width && a.height === b.height, `sizes ${a.width}x${a.height} and ${b.width}x${b.height}`);
    const spots = [];
    for (let i = 0; i < a.rgba.length; i += 4)
      if (a.rgba[i] !== b.rgba[i] || a.rgba[i + 1] !== b.rgba[i + 1] || a.rgba[i + 2] !== b.rgba[i + 2])
        spots.push([(i / 4) % a.width, Math.floor(i / 4 / a.width)]);
    return spots;
  };
  const save = async () => {
    await page.keyboard.down("Control"); await page.keyboard.press("KeyS"); await page.keyboard.up("Control");
    await eventually("the save", async () => (await status()).startsWith("Saved sheet.bmp and sheet.bmp.fnt"));
    await page.$eval("#status", (e) => { e.textContent = "(checked)"; });
  };

  // Glyph 0x41, its pixel (3, 2), clicked in the zoomed editor.
  await page.type("#goto", "0x41");
  await page.keyboard.press("Enter");
  check((await page.$eval("#glyph-title", (e) => e.textContent)).startsWith("Glyph 0x41"), "glyph 0x41 chosen");
  const box = await (await page.$("#editor")).boundingBox();
  const zoom = (box.width - 1) / 16;
  await page.mouse.click(box.x + 3.5 * zoom, box.y + 2.5 * zoom);
  check((await status()) === "Unsaved changes", "the click is an unsaved change: " + await status());
  await save();
  const savedSheet = fs.readFileSync(sheetPath);
  const changed = differences(await pixelsOf(original), await pixelsOf(savedSheet));
  check(JSON.stringify(changed) === JSON.stringify([[16 * 1 + 3, 16 * 4 + 2]]), "changed pixels: " + JSON.stringify(changed));
  check(fs.readFileSync(fontPath).equals(celpackFont(savedSheet)), "the font beside the sheet is celpack's");
  const bit = 0x41 * 32 + 2 * 2;
  check((fs.readFileSync(fontPath)[bit] ^ originalFont[bit]) === 0x10, "glyph 0x41's pixel (3, 2) flipped");

  // Undo brings the sheet back, pixel for pixel.
  await page.keyboard.down("Control"); await page.keyboard.press("KeyZ"); await page.keyboard.up("Control");
  await save();
  check(differences(await pixelsOf(original), await pixelsOf(fs.readFileSync(sheetPath))).length === 0, "undone");
  check(fs.readFileSync(fontPath).equals(originalFont), "the undone font is the first one");

  // The preview line is `celkit show --text` of the font, pixel for pixel.
  const text = "Hello, celkit!";
  await page.click("#preview-text", { clickCount: 3 });
  await page.keyboard.press("Backspace");
  await page.type("#preview-text", text);
  const shot = await (await page.$("#preview")).screenshot({ type: "png" });
  run(args.celkit, ["show", "sheet.bmp.fnt", "--text", text, "-o", path.join("..", "show.png")], dir);
  const wrong = differences(await pixelsOf(fs.readFileSync(path.join(work, "show.png"))), await pixelsOf(shot));
  check(wrong.length === 0, wrong.length + " preview pixels differ from celkit show, first at " + JSON.stringify(wrong[0]));

  // Keyboard alone: Escape to the chart, an arrow to 0x42, Enter, Space sets a pixel.
  await page.focus("#editor");
  for (const key of ["Escape", "ArrowRight", "Enter", "ArrowDown", "Space"]) await page.keyboard.press(key);
  check((await page.$eval("#glyph-title", (e) => e.textContent)).startsWith("Glyph 0x42"), "arrows chose 0x42");
  check((await status()) === "Unsaved changes", "Space changed a pixel");

  // Another program saves the sheet meanwhile: the page says so and asks;
  // "Keep mine" then saves the drawing over it.
  fs.writeFileSync(sheetPath + ".new", savedSheet);
  fs.renameSync(sheetPath + ".new", sheetPath);
  await page.waitForSelector("#conflict:not([hidden])", { timeout: 60000 });
  await page.screenshot({ path: path.join(work, "edit-changed-on-disk-1280x800.png") });
  await page.click("#keep");
  await save();
  const kept = Buffer.from(originalFont);
  kept[0x42 * 32 + 3 * 2] ^= 0x10;  // Space set 0x42's pixel (3, 3): the cursor left at (3, 2), then down
  check(celpackFont(fs.readFileSync(sheetPath)).equals(kept), "the kept drawing is what was saved");

  for (const [name, width, height, scheme] of [["desktop", 1280, 800, "light"], ["phone", 390, 844, "light"], ["desktop-dark", 1280, 800, "dark"]]) {
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: scheme }]);
    await page.setViewport({ width, height, deviceScaleFactor: 1 });
    await page.evaluate(() => window.scrollTo(0, 0));
    await new Promise((r) => setTimeout(r, 200));
    await page.screenshot({ path: path.join(work, `edit-${name}-${width}x${height}.png`) });
  }
  check(problems.length === 0, "page problems: " + problems.join("; "));
  console.log("ok: pixel, celpack's font, undo, preview, keys; screenshots in " + work);
  exitCode = 0;
} catch (error) {
  console.error("FAIL: " + (error.stack || error));
  console.error(fs.readFileSync(path.join(work, "err.txt"), "utf8"));
} finally {
  if (browser) await browser.close();
  server.kill("SIGINT");
  const code = await new Promise((r) => {
    if (server.exitCode !== null) return r(server.exitCode);
    const stuck = setTimeout(() => { server.kill("SIGKILL"); r("no end within 60 s"); }, 60000);
    server.on("exit", (c) => { clearTimeout(stuck); r(c); });
  });
  if (code !== 0 && exitCode === 0) { console.error("celkit edit ended with " + code + " on Ctrl-C"); exitCode = 1; }
}
process.exit(exitCode);
