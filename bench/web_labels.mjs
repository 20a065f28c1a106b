// The WebAssembly module's labels against the native build's, on the same
// 100,000 generated rows: prints each expression's best time on both and
// the ratio. Usage:
//   node bench/web_labels.mjs SITE_DIR NATIVE_PROGRAM [ROWS]
// SITE_DIR holds pelt.mjs (scripts/build-web.sh); NATIVE_PROGRAM is the
// release build's bench/web_labels_native.
import {execFileSync} from 'node:child_process';
import {resolve} from 'node:path';

const [site, native, rowArg] = process.argv.slice(2);
if (!site || !native) {
  console.error('usage: node bench/web_labels.mjs SITE_DIR NATIVE_PROGRAM [ROWS]');
  process.exit(2);
}
const count = Number(rowArg ?? 100000);
const {default: loadPelt} = await import(resolve(site, 'pelt.mjs'));
const pelt = await loadPelt();

const fields = [{name: 'NAME', type: 'String'}, {name: 'POP', type: 'Integer'}, {name: 'AREA', type: 'Double'}];
// The formulas of bench/web_labels.cpp.
const rows = Array.from({length: count}, (_, i) => [
  `Place ${i}${i % 3 === 0 ? ' Nord' : ''}`, (i * 7919) % 10000000, i * 0.37 + 0.005]);

const nativeTimes = JSON.parse(execFileSync(native, [String(count)], {encoding: 'utf8'}));
for (const [expression, nativeRun] of Object.entries(nativeTimes)) {
  let best = Infinity;
  let chars = 0;
  for (let run = 0; run < 5; ++run) {
    const start = performance.now();
    const labels = pelt.label(expression, rows, {fields, locale: 'en_US'});
    best = Math.min(best, performance.now() - start);
    chars = labels.reduce((sum, label) => sum + label.length + 1, 0);
  }
  if (chars !== nativeRun.chars) throw new Error(`${expression}: labels differ in length from native`);
  console.log(`${expression}: wasm ${best.toFixed(1)} ms, native ${nativeRun.ms.toFixed(1)} ms, ` +
              `ratio ${(best / nativeRun.ms).toFixed(2)} (${count} rows)`);
}
