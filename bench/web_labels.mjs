// The WebAssembly build's labels against the native build's, on the same
// 100,000 generated rows, each expression's best time:
// - the module's batch labelling, the same C++ built both ways
//   (bench/web_labels.cpp): the ratio of the two builds;
// - the whole JavaScript call, pelt.label (rows packed from JavaScript
//   arrays, labels made into JavaScript strings), against the same native
//   labelling: what a page pays beyond it.
// Usage:
//   node bench/web_labels.mjs SITE_DIR NATIVE_PROGRAM WASM_PROGRAM [ROWS]
// SITE_DIR holds pelt.mjs (scripts/build-web.sh); NATIVE_PROGRAM is the
// release build's bench/web_labels_native; WASM_PROGRAM the web build's
// web/web_labels_bench.js (cmake --build build-web --target web_labels_bench).
import {execFileSync} from 'node:child_process';
import {resolve} from 'node:path';

const [site, native, wasm, rowArg] = process.argv.slice(2);
if (!site || !native || !wasm) {
  console.error('usage: node bench/web_labels.mjs SITE_DIR NATIVE_PROGRAM WASM_PROGRAM [ROWS]');
  process.exit(2);
}
const count = Number(rowArg ?? 100000);
const {default: loadPelt} = await import(resolve(site, 'pelt.mjs'));
const pelt = await loadPelt();

const fields = [{name: 'NAME', type: 'String'}, {name: 'POP', type: 'Integer'}, {name: 'AREA', type: 'Double'}];
// The formulas of bench/web_labels.cpp.
const rows = Array.from({length: count}, (_, i) => [
  `Place ${i}${i % 3 === 0 ? ' Nord' : ''}`, (i * 7919) % 10000000, i * 0.37 + 0.005]);

const run = (command, args) => JSON.parse(execFileSync(command, [...args, String(count)], {encoding: 'utf8'}));
const nativeTimes = run(native, []);
const wasmTimes = run(process.execPath, ['--no-experimental-fetch', wasm]);
for (const [expression, nativeRun] of Object.entries(nativeTimes)) {
  const wasmRun = wasmTimes[expression];
  let best = Infinity;
  let chars = 0;
  for (let time = 0; time < 5; ++time) {
    const start = performance.now();
    const labels = pelt.label(expression, rows, {fields, locale: 'en_US'});
    best = Math.min(best, performance.now() - start);
    chars = labels.reduce((sum, label) => sum + label.length + 1, 0);
  }
  if (chars !== nativeRun.chars || wasmRun.chars !== nativeRun.chars) {
    throw new Error(`${expression}: labels differ in length between the builds`);
  }
  console.log(`${expression} (${count} rows): labelling wasm ${wasmRun.ms.toFixed(1)} ms, ` +
              `native ${nativeRun.ms.toFixed(1)} ms, ratio ${(wasmRun.ms / nativeRun.ms).toFixed(2)}; ` +
              `pelt.label ${best.toFixed(1)} ms, ${(best / nativeRun.ms).toFixed(2)}x the native labelling`);
}
