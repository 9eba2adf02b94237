"use strict";
// The edit page: the font as 256 glyphs of 16 rows of two bytes (celpack's
// layout), each drawn in its cellWidth x cellHeight cell. Saving sends
// those 8192 bytes with the version of the sheet they were based on.
(() => {
  const token = new URLSearchParams(location.search).get("token") || "";
  const $ = (id) => document.getElementById(id);
  const ui = {
    status: $("status"), save: $("save"), undo: $("undo"), redo: $("redo"),
    chart: $("chart"), editor: $("editor"), preview: $("preview"), text: $("preview-text"),
    title: $("glyph-title"), name: $("sheet-name"), goto: $("goto"), drawOnChart: $("draw-on-chart"),
    conflict: $("conflict"), conflictText: $("conflict-text"), reload: $("reload"), keep: $("keep"),
  };

  let font = new Uint8Array(8192);   // as the page shows it
  let saved = new Uint8Array(8192);  // as the sheet on disk holds it
  let base = "";                     // the version `saved` came from
  let disk = "";                     // the newest version the server told of
  let sheet = { cellWidth: 16, cellHeight: 16, sheet: "", font: "" };
  let codepoints = [];
  let glyphForCodepoint = new Map();
  let selected = 0x41, cursorX = 0, cursorY = 0;
  let undoStack = [], redoStack = [];
  let saving = false, loaded = false;

  const pixel = (f, g, x, y) => (f[g * 32 + y * 2 + (x >> 3)] & (0x80 >> (x & 7))) !== 0;
  function setPixel(f, g, x, y, on) {
    const i = g * 32 + y * 2 + (x >> 3), bit = 0x80 >> (x & 7);
    f[i] = on ? f[i] | bit : f[i] & ~bit;
  }
  const hex = (n, digits) => n.toString(16).toUpperCase().padStart(digits, "0");
  const dirty = () => font.some((b, i) => b !== saved[i]);
  const colour = (name) => getComputedStyle(document.documentElement).getPropertyValue(name).trim();

  // --- status and buttons ---------------------------------------------------
  let statusNote = null;
  function setStatus(text, kind) {
    statusNote = text ? { text, kind } : null;
    refreshStatus();
  }
  function refreshStatus() {
    const changed = loaded && dirty();
    let text = statusNote ? statusNote.text : changed ? "Unsaved changes" : loaded ? "Saved" : "Loading…";
    let kind = statusNote ? statusNote.kind : changed ? "dirty" : "";
    if (saving) { text = "Saving…"; kind = ""; }
    ui.status.textContent = text;
    ui.status.className = "status " + (kind || "");
    ui.save.disabled = !loaded || saving;
    ui.undo.disabled = undoStack.length === 0;
    ui.redo.disabled = redoStack.length === 0;
    document.title = (changed ? "• " : "") + (sheet.sheet || "celkit edit") + " — celkit edit";
  }

  // --- edits and their history ------------------------------------------------
  // A stroke is every glyph it touched, before and after.
  let stroke = null;
  function beginStroke() { stroke = new Map(); }
  function touch(g) {
    if (stroke && !stroke.has(g)) stroke.set(g, font.slice(g * 32, g * 32 + 32));
  }
  function endStroke() {
    if (!stroke) return;
    const change = [];
    for (const [g, before] of stroke) {
      const after = font.slice(g * 32, g * 32 + 32);
      if (after.some((b, i) => b !== before[i])) change.push({ g, before, after });
    }
    stroke = null;
    if (change.length) { undoStack.push(change); redoStack = []; statusNote = null; }
    refreshStatus();
  }
  function replay(from, to, side) {
    const change = from.pop();
    if (!change) return;
    for (const c of change) font.set(c[side], c.g * 32);
    to.push(change);
    statusNote = null;
    select(change[0].g, false);
    redraw();
  }
  const undo = () => replay(undoStack, redoStack, "before");
  const redo = () => replay(redoStack, undoStack, "after");

  // --- the chart ----------------------------------------------------------------
  // The largest scale whose chart fits the panel, from 3 for small cells down to 1.
  function chartGeometry() {
    // Beside the editor the chart takes the room it needs; stacked, the screen's width.
    const room = matchMedia("(max-width: 760px)").matches ? document.documentElement.clientWidth - 50 : 720;
    const side = Math.max(sheet.cellWidth, sheet.cellHeight);
    let geo = null;
    for (let s = side <= 8 ? 3 : 2; s >= 1; s--) {
      const gap = s > 1 ? 5 : 3, label = s > 1 ? 18 : 14;
      const pitchX = sheet.cellWidth * s + gap, pitchY = sheet.cellHeight * s + gap;
      geo = { s, label, pitchX, pitchY, width: label + 16 * pitchX + 1, height: label + 16 * pitchY + 1 };
      if (geo.width <= room) break;
    }
    return geo;
  }
  function drawChart() {
    const c = ui.chart, geo = chartGeometry(), ctx = c.getContext("2d");
    if (c.width !== geo.width || c.height !== geo.height) { c.width = geo.width; c.height = geo.height; }
    ctx.fillStyle = colour("--panel"); ctx.fillRect(0, 0, c.width, c.height);
    ctx.fillStyle = colour("--muted");
    ctx.font = "11px ui-monospace, monospace"; ctx.textAlign = "center"; ctx.textBaseline = "middle";
    for (let i = 0; i < 16; i++) {
      ctx.fillText(hex(i, 1), geo.label + i * geo.pitchX + geo.pitchX / 2, geo.label / 2);
      ctx.fillText(hex(i, 1) + "_", geo.label / 2, geo.label + i * geo.pitchY + geo.pitchY / 2);
    }
    const ink = colour("--ink"), paper = colour("--paper");
    for (let g = 0; g < 256; g++) {
      const x0 = geo.label + (g % 16) * geo.pitchX + 1, y0 = geo.label + Math.floor(g / 16) * geo.pitchY + 1;
      ctx.fillStyle = colour("--grid"); ctx.fillRect(x0, y0, geo.pitchX - 1, geo.pitchY - 1);
      ctx.fillStyle = paper; ctx.fillRect(x0 + 1, y0 + 1, geo.pitchX - 3, geo.pitchY - 3);
      const inset = geo.s > 1 ? 2 : 1;
      ctx.fillStyle = ink;
      for (let y = 0; y < sheet.cellHeight; y++)
        for (let x = 0; x < sheet.cellWidth; x++)
          if (pixel(font, g, x, y)) ctx.fillRect(x0 + inset + x * geo.s, y0 + inset + y * geo.s, geo.s, geo.s);
      if (g === selected) {
        ctx.strokeStyle = colour("--select"); ctx.lineWidth = 2;
        ctx.strokeRect(x0, y0, geo.pitchX - 1, geo.pitchY - 1);
      }
    }
  }
  function chartSpot(event) {
    const geo = chartGeometry(), r = ui.chart.getBoundingClientRect();
    const px = (event.clientX - r.left) * (ui.chart.width / r.width) - geo.label - 1;
    const py = (event.clientY - r.top) * (ui.chart.height / r.height) - geo.label - 1;
    if (px < 0 || py < 0) return null;
    const col = Math.floor(px / geo.pitchX), row = Math.floor(py / geo.pitchY);
    if (col > 15 || row > 15) return null;
    const inset = geo.s > 1 ? 2 : 1;
    const x = Math.floor((px - col * geo.pitchX - inset) / geo.s), y = Math.floor((py - row * geo.pitchY - inset) / geo.s);
    const inside = x >= 0 && y >= 0 && x < sheet.cellWidth && y < sheet.cellHeight;
    return { g: row * 16 + col, x: inside ? x : -1, y: inside ? y : -1 };
  }

  // --- the zoomed editor ----------------------------------------------------------
  function zoom() {
    const room = Math.max(120, Math.min(ui.editor.parentElement.clientWidth || 352, 352));
    return Math.max(6, Math.floor(room / Math.max(sheet.cellWidth, sheet.cellHeight)));
  }
  function drawEditor() {
    const z = zoom(), c = ui.editor, ctx = c.getContext("2d");
    const w = sheet.cellWidth * z + 1, h = sheet.cellHeight * z + 1;
    if (c.width !== w || c.height !== h) { c.width = w; c.height = h; }
    ctx.fillStyle = colour("--paper"); ctx.fillRect(0, 0, w, h);
    ctx.fillStyle = colour("--ink");
    for (let y = 0; y < sheet.cellHeight; y++)
      for (let x = 0; x < sheet.cellWidth; x++)
        if (pixel(font, selected, x, y)) ctx.fillRect(x * z, y * z, z, z);
    ctx.fillStyle = colour("--grid");
    for (let x = 0; x <= sheet.cellWidth; x++) ctx.fillRect(x * z, 0, 1, h);
    for (let y = 0; y <= sheet.cellHeight; y++) ctx.fillRect(0, y * z, w, 1);
    if (document.activeElement === c) {
      ctx.strokeStyle = colour("--cursor"); ctx.lineWidth = 2;
      ctx.strokeRect(cursorX * z + 1, cursorY * z + 1, z - 1, z - 1);
    }
    const cps = codepoints[selected] || [];
    const cp = cps.length ? cps[0] : null;
    ui.title.textContent = "Glyph 0x" + hex(selected, 2) +
      (cp !== null ? "  ·  U+" + hex(cp, 4) + (cp >= 0x20 && cp !== 0x7F ? "  " + String.fromCodePoint(cp) : "") : "");
  }
  function editorSpot(event) {
    const z = zoom(), r = ui.editor.getBoundingClientRect();
    const x = Math.floor((event.clientX - r.left) * (ui.editor.width / r.width) / z);
    const y = Math.floor((event.clientY - r.top) * (ui.editor.height / r.height) / z);
    return { g: selected, x: Math.min(Math.max(x, 0), sheet.cellWidth - 1), y: Math.min(Math.max(y, 0), sheet.cellHeight - 1) };
  }

  // --- the preview line, set as `celkit show --text` sets it ---------------------
  function indexCodepoints() {
    glyphForCodepoint = new Map();
    codepoints.forEach((cps, g) => { if (cps.length && !glyphForCodepoint.has(cps[0])) glyphForCodepoint.set(cps[0], g); });
    codepoints.forEach((cps, g) => cps.forEach((cp) => { if (!glyphForCodepoint.has(cp)) glyphForCodepoint.set(cp, g); }));
  }
  const glyphFor = (cp) => (glyphForCodepoint.has(cp) ? glyphForCodepoint.get(cp) : -1);
  function inkWidth() {
    for (let g = 0; g < 256; g++) for (let y = 0; y < 16; y++) if (font[g * 32 + y * 2 + 1]) return 16;
    return 8;
  }
  function drawPreview() {
    const s = 2, text = Array.from(ui.text.value), advance = inkWidth() * s;
    const c = ui.preview, ctx = c.getContext("2d");
    c.width = text.length * advance + 2 * s; c.height = 16 * s + 2 * s;
    ctx.fillStyle = colour("--paper"); ctx.fillRect(0, 0, c.width, c.height);
    ctx.fillStyle = colour("--ink");
    const fallback = glyphFor(0x3F);
    text.forEach((ch, i) => {
      let g = glyphFor(ch.codePointAt(0));
      if (g < 0) g = fallback;
      if (g < 0) return;
      for (let y = 0; y < 16; y++)
        for (let x = 0; x < 16; x++)
          if (pixel(font, g, x, y)) ctx.fillRect(s + i * advance + x * s, s + y * s, s, s);
    });
  }

  function redraw() { drawChart(); drawEditor(); drawPreview(); refreshStatus(); }

  // --- choosing and drawing ----------------------------------------------------
  function select(g, focusEditor) {
    selected = (g + 256) % 256;
    cursorX = Math.min(cursorX, sheet.cellWidth - 1); cursorY = Math.min(cursorY, sheet.cellHeight - 1);
    if (focusEditor) ui.editor.focus();
    drawChart(); drawEditor();
  }
  function paint(spot, on) {
    if (spot.x < 0 || pixel(font, spot.g, spot.x, spot.y) === on) return;
    touch(spot.g);
    setPixel(font, spot.g, spot.x, spot.y, on);
  }
  // Pixels between two pointer positions of a drag, so a fast stroke has no gaps.
  function paintLine(a, b, on) {
    if (a.g !== b.g || a.x < 0 || b.x < 0) return paint(b, on);
    const n = Math.max(Math.abs(b.x - a.x), Math.abs(b.y - a.y));
    for (let i = 0; i <= n; i++) {
      const t = n ? i / n : 0;
      paint({ g: a.g, x: Math.round(a.x + (b.x - a.x) * t), y: Math.round(a.y + (b.y - a.y) * t) }, on);
    }
  }
  function drawingSurface(canvas, spotOf, onlyWhen) {
    let value = null, last = null;
    canvas.addEventListener("pointerdown", (event) => {
      if (!loaded || event.button > 0) return;
      const spot = spotOf(event);
      if (!spot) return;
      if (spot.g !== selected) select(spot.g, false);
      if (!onlyWhen() || spot.x < 0) return;
      event.preventDefault();
      canvas.setPointerCapture(event.pointerId);
      value = !pixel(font, spot.g, spot.x, spot.y);
      last = spot;
      cursorX = spot.x; cursorY = spot.y;
      beginStroke(); paint(spot, value); redraw();
    });
    canvas.addEventListener("pointermove", (event) => {
      if (value === null) return;
      const spot = spotOf(event);
      if (!spot) return;
      paintLine(last, spot, value); last = spot;
      redraw();
    });
    const finish = () => { if (value !== null) { value = null; last = null; endStroke(); redraw(); } };
    canvas.addEventListener("pointerup", finish);
    canvas.addEventListener("pointercancel", finish);
  }
  drawingSurface(ui.editor, editorSpot, () => true);
  drawingSurface(ui.chart, chartSpot, () => ui.drawOnChart.checked);
  ui.drawOnChart.addEventListener("change", () => {
    ui.chart.style.cursor = ui.drawOnChart.checked ? "crosshair" : "pointer";
  });
  ui.chart.style.cursor = "pointer";
  ui.editor.style.cursor = "crosshair";

  // --- keys -----------------------------------------------------------------------
  ui.chart.addEventListener("keydown", (event) => {
    const moves = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -16, ArrowDown: 16, Home: -selected, End: 255 - selected };
    if (event.key in moves) { event.preventDefault(); select(selected + moves[event.key], false); }
    else if (event.key === "Enter" || event.key === " ") { event.preventDefault(); select(selected, true); }
  });
  ui.editor.addEventListener("keydown", (event) => {
    const moves = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    if (event.key in moves) {
      event.preventDefault();
      cursorX = Math.min(Math.max(cursorX + moves[event.key][0], 0), sheet.cellWidth - 1);
      cursorY = Math.min(Math.max(cursorY + moves[event.key][1], 0), sheet.cellHeight - 1);
      drawEditor();
    } else if (event.key === " " || event.key === "Enter") {
      event.preventDefault();
      beginStroke(); paint({ g: selected, x: cursorX, y: cursorY }, !pixel(font, selected, cursorX, cursorY)); endStroke(); redraw();
    } else if (event.key === "Escape") { event.preventDefault(); ui.chart.focus(); }
    else if (event.key === "[" || event.key === "]") { event.preventDefault(); select(selected + (event.key === "[" ? -1 : 1), false); }
  });
  ui.editor.addEventListener("focus", drawEditor);
  ui.editor.addEventListener("blur", drawEditor);
  document.addEventListener("keydown", (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const inText = event.target instanceof HTMLInputElement && event.target.type === "text";
    if (key === "s") { event.preventDefault(); save(); }
    else if (inText) return;  // the text fields keep their own undo
    else if (key === "z" && !event.shiftKey) { event.preventDefault(); undo(); }
    else if (key === "y" || (key === "z" && event.shiftKey)) { event.preventDefault(); redo(); }
  });
  ui.undo.addEventListener("click", undo);
  ui.redo.addEventListener("click", redo);
  ui.save.addEventListener("click", () => save());
  ui.text.addEventListener("input", drawPreview);

  // "0x41", "65", "U+0041" or one character.
  ui.goto.addEventListener("keydown", (event) => {
    if (event.key !== "Enter") return;
    event.preventDefault();
    const v = ui.goto.value.trim();
    let g = -1;
    if (/^0x[0-9a-f]{1,2}$/i.test(v)) g = parseInt(v, 16);
    else if (/^[0-9]{2,3}$/.test(v)) g = parseInt(v, 10);
    else if (/^u\+[0-9a-f]{1,6}$/i.test(v)) g = glyphFor(parseInt(v.slice(2), 16));
    else if (Array.from(v).length === 1) g = glyphFor(v.codePointAt(0));
    if (g < 0 || g > 255) { setStatus("No glyph " + v, "bad"); return; }
    select(g, true);
  });

  // --- the server ----------------------------------------------------------------
  async function call(path, options = {}) {
    options.headers = Object.assign({ "X-Token": token }, options.headers || {});
    options.cache = "no-store";
    const response = await fetch(path, options);
    const body = await response.json().catch(() => ({}));
    return { response, body };
  }

  function takeSheet(body, asEdit) {
    sheet = body;
    codepoints = body.codepoints || [];
    indexCodepoints();
    const bytes = Uint8Array.from(atob(body.glyphs), (c) => c.charCodeAt(0));
    if (asEdit) { beginStroke(); for (let g = 0; g < 256; g++) touch(g); }
    font = bytes.slice();
    saved = bytes;
    if (asEdit) endStroke();
    base = body.version;
    ui.name.textContent = body.sheet + "  →  " + body.font;
    loaded = true;
    hideConflict();
    redraw();
  }

  async function load(asEdit) {
    const { response, body } = await call("/api/sheet");
    if (!response.ok) { setStatus(body.error || "The sheet could not be read", "bad"); return; }
    takeSheet(body, asEdit);
    if (body.problem) onDisk(body.disk, body.problem);
  }

  async function save() {
    if (!loaded || saving) return;
    saving = true; refreshStatus();
    try {
      const { response, body } = await call("/api/save", {
        method: "POST", body: font.slice(), headers: { "Content-Type": "application/octet-stream", "X-Base-Version": base },
      });
      if (response.status === 409) {
        saving = false;
        disk = body.version;
        pendingVersion = body.version;
        showConflict(sheet.sheet + " was changed by another program since this page read it. Load it, or keep your drawing and save over it.", true);
        setStatus("Not saved: changed on disk", "bad");
        return;
      }
      if (!response.ok) { saving = false; setStatus("Not saved: " + (body.error || response.statusText), "bad"); return; }
      saved = font.slice();
      base = body.version;
      saving = false;
      setStatus("Saved " + body.written.join(" and ") + " at " + new Date().toLocaleTimeString(), "ok");
      if (disk && disk !== base) onDisk(disk, "");
    } catch (error) {
      saving = false;
      setStatus("Not saved: the server is not answering (" + error.message + ")", "bad");
    }
  }

  let pendingVersion = null;
  function showConflict(text, canReload) {
    ui.conflictText.textContent = text;
    ui.reload.hidden = !canReload;
    ui.conflict.hidden = false;
  }
  function hideConflict() { ui.conflict.hidden = true; pendingVersion = null; }
  // What the page does when the sheet on disk is no longer the one it shows.
  function onDisk(version, problem) {
    disk = version;
    if (saving || version === base) return;
    pendingVersion = version;
    if (problem) {
      showConflict(problem + ". Saving writes your drawing there again.", false);
    } else if (!dirty()) {
      load(true).then(() => setStatus("Reloaded: " + sheet.sheet + " changed on disk (Ctrl+Z goes back)", "ok"));
    } else {
      showConflict(sheet.sheet + " was changed by another program. Load it (your drawing stays in Undo), or keep your drawing.", true);
    }
  }
  ui.reload.addEventListener("click", () => load(true).then(() => setStatus("Loaded the sheet on disk", "ok")));
  ui.keep.addEventListener("click", () => {
    if (pendingVersion !== null) base = pendingVersion;
    hideConflict();
    setStatus("Keeping your drawing; Save writes it over the sheet", "dirty");
  });

  function listen() {
    const events = new EventSource("/api/events?token=" + encodeURIComponent(token));
    events.addEventListener("sheet", (event) => {
      const data = JSON.parse(event.data);
      if (loaded) onDisk(data.version, data.problem);
    });
    events.onerror = () => { if (events.readyState === EventSource.CLOSED) setStatus("The server has stopped", "bad"); };
  }

  window.addEventListener("resize", () => { if (loaded) { drawChart(); drawEditor(); } });
  window.addEventListener("beforeunload", (event) => { if (loaded && dirty()) event.preventDefault(); });
  matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => { if (loaded) redraw(); });
  load(false).then(() => { listen(); ui.chart.focus(); });
})();
