// The web page in headless Chromium (Debian's, driven by puppeteer-core):
// - snapshots equal the Linux program's files at two positions of every
//   scene, in modes 0 and 5 (the page's snapshot contract);
// - the live page started at once shows the picture in its terminal, within
//   30 ms of the sound as the page measures it, '6' shows it on the canvas and
//   '1' brings the terminal back, with no error in the page's console;
// - with a sound output that takes no music, the show goes on silently and
//   says so;
// - without the archive the page says so in the program's words, and no
//   exception escapes.
// usage: node page_tests.cjs DIST_WEB LINUX_CELLRUNE SHOW_DIR
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const crypto = require("crypto");
const { execFileSync } = require("child_process");
const { serve: serveFolder, address, launchChromium } = require("./page_harness.cjs");

const [root, linux, showDir] = process.argv.slice(2).map((p) => path.resolve(p));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "cellrune-web-"));
let failures = 0;
function check(ok, what) {
  console.log(`${ok ? "ok  " : "FAIL"} ${what}`);
  if (!ok) failures++;
}

// The first two positions of each scene, plain settings, as the Windows comparison takes them.
function positions() {
  const seen = {}, list = [];
  for (const line of fs.readFileSync(path.join(__dirname, "..", "scene_pictures.txt"), "utf8").split("\n")) {
    const [scene, position, settings] = line.trim().split(/\s+/);
    if (!scene || scene.startsWith("#") || settings !== "-") continue;
    if ((seen[scene] = (seen[scene] || 0) + 1) <= 2) list.push(position);
  }
  return list;
}

function linuxLines(list, mode) {
  const out = path.join(work, `linux-${mode}`);
  execFileSync(linux, ["--snapshot", list.join(","), "--out", out, "mode", String(mode)], { cwd: showDir, stdio: "ignore" });
  return list.map((p) => {
    const base = "0x" + Number(p).toString(16).toUpperCase().padStart(5, "0");
    const hash = (ext) => {
      const file = path.join(out, `${base}.${ext}`);
      return fs.existsSync(file) ? crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex") : "-";
    };
    return `${base} fb ${hash("fb")} cells ${hash("cells")} win ${hash("win")}`;
  });
}

// Distinct colours of the page terminal's cells, as xterm.js's renderer drew them.
const terminalColours = () => {
  const colours = new Set();
  let rows = 0;
  for (const row of document.querySelectorAll("#terminal .xterm-rows > div")) {
    let filled = false;
    for (const span of row.querySelectorAll("span")) {
      const style = getComputedStyle(span);
      colours.add(style.color + "/" + style.backgroundColor);
      filled = filled || span.textContent.trim() !== "";
    }
    if (filled) rows++;
  }
  return { colours: colours.size, rows };
};
// Waits (up to 20 s) for the picture to come up in the page's terminal, and says what it showed
// then: a second look could fall on a dark frame of the show (a fade, a cut) with few colours.
async function terminalPicture(page) {
  const seen = await page.waitForFunction(`((r) => r.colours > 16 && r.rows >= 40 && r)((${terminalColours})())`,
                                          { timeout: 20000, polling: 250 }).catch(() => null);
  return seen ? seen.jsonValue() : page.evaluate(terminalColours);
}
// How the page's sound runs, for the log.
const soundState = (page) => page.evaluate(() => `sound: ${window.cellruneMeasures().sound}` +
  (audio ? `, audio clock ${audio.currentTime.toFixed(2)} s, state ${audio.state}` : ""));
const canvasColours = () => {
  const canvas = document.getElementById("window");
  if (canvas.hidden) return 0;
  const data = canvas.getContext("2d").getImageData(0, 0, 320, 200).data;
  const colours = new Set();
  for (let i = 0; i < data.length; i += 4) colours.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
  return colours.size;
};

async function main() {
  const full = await serveFolder(root, true), bare = await serveFolder(root, false);
  const browser = await launchChromium(path.join(work, "profile"));
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1400, height: 900 });
    const errors = [];
    page.on("pageerror", (error) => errors.push(String(error)));
    page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });

    const list = positions();
    check(list.length === 30, `30 positions of the fifteen scenes (${list.length})`);
    for (const mode of [0, 5]) {
      await page.goto(`${address(full)}?snapshot=${list.join(",")}&mode=${mode}`);
      await page.waitForFunction(() => document.title === "snapshot done", { timeout: 240000 });
      const got = (await page.$eval("#snapshot", (e) => e.textContent)).split("\n");
      const expected = linuxLines(list, mode);
      const differing = expected.filter((line, i) => line !== got[i]);
      check(differing.length === 0, `mode ${mode}: the page's snapshots equal Linux's at ${list.length} positions` +
                                    (differing.length ? `; differing: ${differing.map((l) => l.slice(0, 7)).join(" ")}` : ""));
    }

    errors.length = 0;
    await page.goto(`${address(full)}?autostart=1`);
    await page.waitForFunction(() => document.title === "-[ CELLRUNE ]-", { timeout: 30000 });
    // The picture, once it has come up: many colours over the terminal's rows.
    const shown = await terminalPicture(page);
    check(shown.colours > 16 && shown.rows >= 40, `the terminal shows the picture (${shown.colours} colours, ${shown.rows} rows` +
                                                  `; ${await soundState(page)})`);
    // The picture against the sound, over the frames of the last seconds.
    await new Promise((resolve) => setTimeout(resolve, 3000));
    const measures = await page.evaluate(() => window.cellruneMeasures());
    const o = measures.offsetMs;
    if (measures.sound === "silent") {
      console.log(`skipped: the picture against the sound: this browser's audio output took no music here (${await soundState(page)})`);
    } else {
      check(measures.sound === "worklet" && measures.frames >= 20 && o.low >= -30 && o.high <= 30,
            `the picture within 30 ms of the sound (${measures.sound}, ${measures.frames} frames: ` +
            `${o.low.toFixed(1)} / ${o.median.toFixed(1)} / ${o.high.toFixed(1)} ms at 5% / 50% / 95%)`);
    }
    await page.screenshot({ path: path.join(process.env.CELLRUNE_WEB_SHOTS || work, "web-terminal.png") });
    await page.keyboard.press("6");
    await page.waitForFunction(`(${canvasColours})() > 16`, { timeout: 20000 }).catch(() => {});
    const onCanvas = await page.evaluate(canvasColours);
    check(onCanvas > 16 && (await page.title()) === "G D I - powa", `'6' shows the canvas (${onCanvas} colours)`);
    await page.screenshot({ path: path.join(process.env.CELLRUNE_WEB_SHOTS || work, "web-canvas.png") });
    await page.keyboard.press("1");
    await page.waitForFunction(() => document.title === "-[ CELLRUNE ]-" &&
                                     !document.getElementById("terminal").hidden, { timeout: 20000 }).catch(() => {});
    check(await page.$eval("#window", (c) => c.hidden) && (await page.title()) === "-[ CELLRUNE ]-", "'1' brings the terminal back");
    await page.keyboard.press("Escape");
    await page.waitForFunction(() => !document.getElementById("ended").hidden, { timeout: 20000 }).catch(() => {});
    check(!(await page.$eval("#ended", (e) => e.hidden)), "Escape ends the show and offers to play again");
    check(errors.length === 0, `no error in the page's console${errors.length ? ": " + errors.join(" | ") : ""}`);

    // Audio that never asks for music (an output that stalls): the show goes on, silently, and says so.
    const stalled = await browser.newPage();
    await stalled.evaluateOnNewDocument(() => {
      window.AudioWorkletNode = class { constructor() { this.port = { postMessage() {} }; } connect() {} disconnect() {} };
    });
    await stalled.goto(`${address(full)}?autostart=1`);
    // "silent" alone is also the page before the program opened its sound: wait for the close.
    await stalled.waitForFunction(() => window.cellruneMeasures && window.cellruneMeasures().soundClosed,
                                  { timeout: 20000, polling: 250 }).catch(() => {});
    // Before the first position is read after the stop, the frame shown is the lowest number: the start.
    const shownFrame = () => (window.cellruneMeasures().soundClosed ? Math.max(0, Module._cellrune_shown_frame()) : NaN);
    const silentAt = await stalled.evaluate(shownFrame);
    const going = await terminalPicture(stalled);
    await stalled.waitForFunction((from) => Module._cellrune_shown_frame() >= from + 44100, { timeout: 20000, polling: 250 },
                                  silentAt).catch(() => {});
    const moved = ((await stalled.evaluate(shownFrame)) - silentAt) / 44100;
    check(going.colours > 16 && moved >= 1 && (await soundState(stalled)).startsWith("sound: silent"),
          `a stalled sound output: the show goes on silently (${going.colours} colours, the music ${moved.toFixed(1)} s on` +
          `; ${await soundState(stalled)})`);
    await stalled.keyboard.press("Escape");
    await stalled.waitForFunction(() => document.getElementById("messages").textContent.includes("sound stopped"),
                                  { timeout: 20000, polling: 250 }).catch(() => {});
    const stopped = await stalled.$eval("#messages", (e) => e.textContent);
    check(stopped.includes("sound stopped"), `... and says so: "${stopped.split("\n").find((l) => l.includes("sound")) || stopped}"`);
    await stalled.close();

    errors.length = 0;
    await page.goto(`${address(bare)}?autostart=1`);
    await page.waitForFunction(() => document.getElementById("messages").textContent.includes("cellrune:"), { timeout: 30000 })
      .catch(() => {});
    const said = await page.$eval("#messages", (e) => e.textContent);
    check(said.includes("cellrune:") && said.includes("blob.rar"), `without the archive the page says so: "${said.split("\n")[0]}"`);
    check(errors.filter((e) => !e.includes("404")).length === 0, `no exception escapes${errors.length ? ": " + errors.join(" | ") : ""}`);
  } finally {
    await browser.close();
    full.close();
    bare.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  if (failures) {
    console.log(`${failures} web check(s) failed`);
    process.exit(1);
  }
  console.log("PASS: the web page");
}
main().catch((error) => { console.error(error); process.exit(1); });
