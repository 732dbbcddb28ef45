// The page around the show: reads its settings from the address, fetches the
// show's data into the program's memory, gives it a terminal (xterm.js), a
// canvas and Web Audio, and runs it on a click or key (or at once with
// ?autostart=1, ?snapshot=... or ?bench=...).
"use strict";

const params = new URLSearchParams(location.search);
const $ = (id) => document.getElementById(id);
const messages = [];
let benchText = "";

function say(line) {
  messages.push(line);
  $("messages").textContent = messages.join("\n");
}

// The largest whole factor that fits the page.
function fit(width, height) {
  return Math.max(1, Math.floor(Math.min(innerWidth / width, innerHeight / height)));
}

let terminal = null;
function openTerminal() {
  if (!terminal) {
    terminal = new Terminal({ cols: 160, rows: 50, fontSize: 8, lineHeight: 1, letterSpacing: 0,
                              cursorBlink: false, disableStdin: true, scrollback: 0,
                              fontFamily: "monospace", theme: { background: "#000000" } });
    terminal.open($("terminal"));
  }
  $("window").hidden = true;
  $("terminal").hidden = false;
  return true;
}

const canvas = $("window");
const context = canvas.getContext("2d");
const image = context.createImageData(320, 200);
function sizeCanvas() {
  const factor = fit(320, 200);
  canvas.style.width = 320 * factor + "px";
  canvas.style.height = 200 * factor + "px";
}
addEventListener("resize", sizeCanvas);

let audio = null, processor = null;

var Module = {
  arguments: [],
  print: (line) => { benchText += line + "\n"; console.log(line); },
  printErr: (line) => { console.warn(line); if (line.startsWith("cellrune:")) say(line); },
  cellrune: {
    terminalOpen: openTerminal,
    terminalClose: () => { $("terminal").hidden = true; },
    terminalWrite: (bytes) => terminal.write(bytes),
    windowOpen: (fullScreen) => {
      $("terminal").hidden = true;
      canvas.hidden = false;
      sizeCanvas();
      if (fullScreen && canvas.requestFullscreen) canvas.requestFullscreen().catch(() => {});
    },
    windowClose: () => { canvas.hidden = true; if (document.fullscreenElement) document.exitFullscreen(); },
    windowPresent: (pointer) => {
      image.data.set(HEAPU8.subarray(pointer, pointer + 320 * 200 * 4));
      context.putImageData(image, 0, 0);
    },
    // The frames between a buffer rendered and heard; 0 when the browser will not play.
    soundOpen: (rate, frames) => {
      try {
        audio = new AudioContext({ sampleRate: rate, latencyHint: "interactive" });
      } catch (error) {
        return 0;
      }
      if (audio.state !== "running") { audio.close(); audio = null; return 0; }
      processor = audio.createScriptProcessor(frames, 0, 2);
      processor.onaudioprocess = (event) => {
        const out = event.outputBuffer, n = out.length;
        const at = Module._cellrune_pull_sound(n) >> 2;
        const left = out.getChannelData(0), right = out.getChannelData(1);
        for (let i = 0; i < n; i++) { left[i] = HEAPF32[at + 2 * i]; right[i] = HEAPF32[at + 2 * i + 1]; }
      };
      const latency = (audio.outputLatency || 0) + (audio.baseLatency || 0);
      return frames + Math.round(latency * rate);
    },
    soundStart: () => { if (processor) processor.connect(audio.destination); },
    // No pull once this returns: an audio event already queued finds no handler.
    soundClose: () => {
      if (processor) { processor.onaudioprocess = null; processor.disconnect(); }
      if (audio) audio.close();
      processor = audio = null;
    },
    showEnded: (status) => {
      $("terminal").hidden = true;
      canvas.hidden = true;
      $("ended").hidden = false;
      document.title = "cellrune";
      if (status !== 0) say("The show ended with status " + status + ".");
    },
  },
  onRuntimeInitialized: () => { runtimeReady = true; begin(); },
};

let runtimeReady = false, dataReady = false, started = false;

// The settings as the program's keyword-value command line.
function settings() {
  const args = [];
  for (const key of ["mode", "gamma", "pos", "full", "vemo"]) if (params.has(key)) args.push(key, params.get(key));
  return args;
}

function keyOf(event) {
  if (event.key === "Escape") return 27;
  if (event.key.length === 1 && event.key >= "0" && event.key <= "9") return event.key.charCodeAt(0);
  return 0;
}

async function sha256(bytes) {
  const digest = await crypto.subtle.digest("SHA-256", bytes);
  return Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, "0")).join("");
}

async function snapshots(list) {
  const positions = list.split(",");
  Module.callMain(["--snapshot", list, "--out", "/snapshots", ...settings()]);
  const lines = [];
  for (const text of positions) {
    const p = Number(text);
    const base = "/snapshots/0x" + p.toString(16).toUpperCase().padStart(5, "0");
    const hashes = [];
    for (const ext of ["fb", "cells", "win"]) {
      const path = base + "." + ext;
      hashes.push(ext, FS.analyzePath(path).exists ? await sha256(FS.readFile(path)) : "-");
    }
    lines.push(base.slice(11) + " " + hashes.join(" "));
  }
  $("snapshot").textContent = lines.join("\n");
  document.title = "snapshot done";
}

function bench(frames) {
  benchText = "";
  Module.callMain(["--bench", "--frames", String(frames)]);
  $("bench").textContent = benchText;
  document.title = "bench done";
}

function live() {
  if (started) return;
  started = true;
  $("start").hidden = true;
  $("ended").hidden = true;
  addEventListener("keydown", (event) => {
    const key = keyOf(event);
    if (key) event.preventDefault();
    Module._cellrune_page_key(key);
  });
  try {
    Module.callMain(settings());
  } catch (error) {
    if (error !== "unwind" && !(error && error.name === "ExitStatus")) throw error;
  }
}

function begin() {
  if (!runtimeReady || !dataReady) return;
  if (params.has("snapshot")) return void snapshots(params.get("snapshot"));
  if (params.has("bench")) return void bench(Number(params.get("bench")) || 600);
  if (params.get("autostart") === "1") return live();
  $("start").hidden = false;
  $("play").onclick = live;
  addEventListener("keydown", live, { once: true });
}

$("again").onclick = () => location.reload();

// The archive is fetched into the program's files; a missing one is left out, and the program
// says so in its own words, as it does on every platform.
fetch("blob.rar")
  .then((response) => (response.ok ? response.arrayBuffer() : null))
  .catch(() => null)
  .then((data) => {
    const write = () => {
      if (data) FS.writeFile("/blob.rar", new Uint8Array(data));
      dataReady = true;
      begin();
    };
    if (runtimeReady) write();
    else {
      const before = Module.onRuntimeInitialized;
      Module.onRuntimeInitialized = () => { before(); write(); };
    }
  });
