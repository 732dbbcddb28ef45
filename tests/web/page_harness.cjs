// What the page's tests and its benchmark share: a static server for the
// page's folder on 127.0.0.1 (withArchive false answers 404 for blob.rar),
// and Debian's Chromium, headless, allowed to play sound without a click.
"use strict";
const puppeteer = require("puppeteer-core");
const http = require("http");
const fs = require("fs");
const path = require("path");

const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm" };

function serve(root, withArchive = true) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname).replace(/^\/+/, "") || "index.html";
    const file = path.join(root, name);
    if (!file.startsWith(root) || (!withArchive && name === "blob.rar") || !fs.existsSync(file)) {
      response.writeHead(404);
      return response.end();
    }
    response.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}
const address = (server) => `http://127.0.0.1:${server.address().port}/`;

function launchChromium(profile) {
  return puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--autoplay-policy=no-user-gesture-required"],
  });
}

module.exports = { serve, address, launchChromium };
