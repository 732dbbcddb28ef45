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

let terminal = null, terminalWrites = 0; // writes the terminal has not taken in yet
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

// The sound. The audio context is made in the click or key that starts the show (browsers
// allow sound only then), with the worklet loaded before the program asks for sound.
let audio = null, workletLoaded = false, node = null, nodeIsWorklet = false, soundRunning = false;
let soundClosed = false; // the program opened the sound and has closed it (a stalled output, or the end)
let answeredUntil = 0; // the audio clock's frame where the music sent so far ends
let pulled = 0; // music frames pulled since the program opened the sound: its frame numbers
const waiting = []; // the worklet's requests made before the music started
const played = []; // { music, at, frames }: each buffer as the audio clock began it, newest last
const shown = []; // { clock, music }: frames shown, not judged yet
const offsets = []; // the picture against the sound, in ms, one per frame shown (the last 1,000)
const timing = { start: 0, firstFrame: 0 };

async function prepareAudio() {
  try {
    audio = new AudioContext({ sampleRate: 44100, latencyHint: "interactive" });
  } catch (error) {
    audio = null;
    return;
  }
  // Some browsers start a context allowed to play a moment later; one that may not play stays
  // suspended, and the show then runs silently.
  const started = audio.state === "running" ? null
    : Promise.race([audio.resume(), new Promise((resolve) => setTimeout(resolve, 500))]).catch(() => {});
  if (audio.audioWorklet) { // none outside a secure context: the ScriptProcessor plays
    try {
      await audio.audioWorklet.addModule("sound.js");
      workletLoaded = true;
    } catch (error) {
      console.warn("cellrune: the audio worklet did not load (" + error + "); a ScriptProcessor plays");
    }
  }
  await started;
}

// The audio clock's frame being heard now, from the output's own timestamp where it gives one.
function heardClockFrame() {
  const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
  const time = stamp && stamp.performanceTime > 0
    ? stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000
    : audio.currentTime - (audio.outputLatency || 0);
  return time * audio.sampleRate;
}

function notePlayed(music, at, frames) {
  played.push({ music, at, frames });
  if (played.length > 256) played.shift();
  judgeFrames();
}

// Pulls frames of music that the audio clock will start at frame startsAt.
function pull(frames, startsAt) {
  const at = Module._cellrune_pull_sound(frames, Math.max(0, Math.round(startsAt - heardClockFrame()))) >> 2;
  const music = pulled;
  pulled += frames;
  return { samples: HEAPF32.subarray(at, at + 2 * frames), music };
}

// A request answered after its time (the page was busy, or the music had not begun) starts when
// the audio thread next looks, after what it already holds.
function answer(request) {
  const startsAt = Math.max(request.startsAt, answeredUntil, audio.currentTime * audio.sampleRate + 128);
  answeredUntil = startsAt + request.need;
  const { samples, music } = pull(request.need, startsAt);
  const copy = samples.slice();
  node.port.postMessage({ samples: copy, music }, [copy.buffer]);
}

// The frames between a buffer rendered and heard, as first guessed; 0 when the browser will not play.
function openSound(rate, frames) {
  if (!audio || audio.state !== "running" || audio.sampleRate !== rate) {
    if (audio) audio.close();
    audio = null;
    return 0;
  }
  pulled = answeredUntil = 0;
  if (workletLoaded) {
    node = new AudioWorkletNode(audio, "cellrune-sound", { numberOfInputs: 0, outputChannelCount: [2] });
    nodeIsWorklet = true;
    node.port.onmessage = (event) => {
      const message = event.data;
      if (message.need === undefined) notePlayed(message.played, message.at, message.frames);
      else if (soundRunning) answer(message);
      else waiting.push(message);
    };
  } else {
    node = audio.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = (event) => {
      const out = event.outputBuffer, n = out.length, startsAt = event.playbackTime * rate;
      const { samples, music } = pull(n, startsAt);
      notePlayed(music, startsAt, n);
      const left = out.getChannelData(0), right = out.getChannelData(1);
      for (let i = 0; i < n; i++) { left[i] = samples[2 * i]; right[i] = samples[2 * i + 1]; }
    };
  }
  return frames + Math.round(((audio.outputLatency || 0) + (audio.baseLatency || 0)) * rate);
}

function startSound() {
  if (!node) return;
  soundRunning = true;
  while (waiting.length) answer(waiting.shift());
  node.connect(audio.destination);
}

// No pull once this returns: a message or audio event already queued finds no handler.
function closeSound() {
  if (node && nodeIsWorklet) {
    node.port.onmessage = null;
    node.port.postMessage("stop");
  } else if (node) {
    node.onaudioprocess = null;
  }
  if (node) node.disconnect();
  if (node) soundClosed = true;
  if (audio) audio.close();
  node = audio = null;
  nodeIsWorklet = soundRunning = false;
  played.length = shown.length = 0;
}

// After each frame: the music frame the picture showed, and the audio clock's frame heard then.
// Which music that clock frame played is known once the audio thread has said when it began
// each buffer (its word comes late when the page is busy), so frames are judged then.
function measureFrame() {
  if (!timing.firstFrame) timing.firstFrame = performance.now();
  if (!node || !soundRunning) return;
  shown.push({ clock: heardClockFrame(), music: Module._cellrune_shown_frame() });
  judgeFrames();
}

function judgeFrames() {
  while (shown.length && played.length) {
    const frame = shown[0], newest = played[played.length - 1];
    if (frame.clock >= newest.at + newest.frames) return; // not played yet as far as the page knows
    shown.shift();
    const buffer = played.findLast((b) => b.at <= frame.clock);
    if (!buffer || frame.clock - buffer.at >= buffer.frames) continue; // silence then: the page was late
    offsets.push(((buffer.music + (frame.clock - buffer.at) - frame.music) / audio.sampleRate) * 1000);
    if (offsets.length > 1000) offsets.shift();
  }
}

// What the page measured: how the sound plays, the time from the start to the first frame, and
// the picture against the sound (positive: the picture is late) over the last frames.
window.cellruneMeasures = () => {
  const sorted = offsets.slice().sort((a, b) => a - b);
  const at = (q) => (sorted.length ? sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))] : NaN);
  return {
    sound: node ? (nodeIsWorklet ? "worklet" : "script processor") : "silent",
    soundClosed,
    startToFirstFrameMs: timing.firstFrame ? timing.firstFrame - timing.start : NaN,
    frames: sorted.length,
    offsetMs: { low: at(0.05), median: at(0.5), high: at(0.95) },
  };
};

var Module = {
  arguments: [],
  print: (line) => { benchText += line + "\n"; console.log(line); },
  printErr: (line) => { console.warn(line); if (line.startsWith("cellrune:")) say(line); },
  cellrune: {
    terminalOpen: openTerminal,
    terminalClose: () => { $("terminal").hidden = true; },
    terminalWrite: (bytes) => {
      terminalWrites++;
      terminal.write(bytes, () => terminalWrites--);
    },
    terminalBusy: () => terminalWrites > 0,
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
    soundOpen: (rate, frames) => openSound(rate, frames),
    soundStart: startSound,
    soundClose: closeSound,
    frameShown: measureFrame,
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

async function live() {
  if (started) return;
  started = true;
  timing.start = performance.now();
  $("start").hidden = true;
  $("ended").hidden = true;
  await prepareAudio();
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
