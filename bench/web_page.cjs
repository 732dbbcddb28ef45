// The page's speed in headless Chromium, served from 127.0.0.1:
// - from the click on "Start the show" to the first frame, as the page
//   measures it (the median and the slowest of five fresh pages);
// - the benchmark's table in the page (?bench=FRAMES).
// usage: node web_page.cjs DIST_WEB [FRAMES]
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");
const { serve, address, launchChromium } = require("../tests/web/page_harness.cjs");

const root = path.resolve(process.argv[2] || "dist/web");
const frames = Number(process.argv[3]) || 600;

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "cellrune-web-bench-"));
  const server = await serve(root);
  const browser = await launchChromium(path.join(work, "profile"));
  try {
    const starts = [];
    for (let run = 0; run < 5; run++) {
      const page = await browser.newPage();
      await page.goto(address(server));
      await page.waitForSelector("#play", { visible: true, timeout: 60000 });
      await page.click("#play");
      await page.waitForFunction(() => window.cellruneMeasures().startToFirstFrameMs > 0, { timeout: 60000, polling: 50 });
      starts.push(await page.evaluate(() => window.cellruneMeasures().startToFirstFrameMs));
      await page.close();
    }
    starts.sort((a, b) => a - b);
    console.log(`click to first frame: median ${starts[2].toFixed(0)} ms, slowest ${starts[4].toFixed(0)} ms ` +
                `(${starts.map((s) => s.toFixed(0)).join(", ")})`);

    const page = await browser.newPage();
    await page.goto(`${address(server)}?bench=${frames}`);
    await page.waitForFunction(() => document.title === "bench done", { timeout: 600000, polling: 500 });
    console.log(`?bench=${frames} in the page:`);
    console.log(await page.$eval("#bench", (e) => e.textContent));
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
}
main().catch((error) => { console.error(error); process.exit(1); });
