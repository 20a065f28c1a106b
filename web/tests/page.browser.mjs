// The playground in headless Chromium: serves the built site on 127.0.0.1
// and checks what a user sees, against labels pelt-label prints for the
// same data.
//
// Usage: node web/tests/page.browser.mjs SITE_DIR
import assert from 'node:assert/strict';
import {readFile} from 'node:fs/promises';
import {createServer} from 'node:http';
import {mkdtemp, rm} from 'node:fs/promises';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, before, test} from 'node:test';
import {chromium} from 'playwright-core';

const site = path.resolve(process.argv[2] ?? process.env.PELT_WEB_SITE ?? 'build-web-site');
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.mjs': 'text/javascript',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.json': 'application/json',
  '.md': 'text/markdown; charset=utf-8',
  '.wasm': 'application/wasm',
};

function serve(root) {
  const server = createServer(async (request, response) => {
    const file = path.join(root, decodeURIComponent(new URL(request.url, 'http://x').pathname));
    try {
      if (!file.startsWith(root)) throw new Error('outside the site');
      const body = await readFile(file.endsWith('/') ? path.join(file, 'index.html') : file);
      response.writeHead(200, {'content-type': TYPES[path.extname(file)] ?? 'text/html'});
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

let server, browser, profile, base;
const problems = [];

before(async () => {
  server = await serve(site);
  base = `http://127.0.0.1:${server.address().port}/`;
  profile = await mkdtemp(path.join(tmpdir(), 'pelt-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  browser = context;
});

after(async () => {
  await browser?.close();
  server?.close();
  if (profile) await rm(profile, {recursive: true, force: true});
});

// A page whose console errors and uncaught exceptions are collected.
async function open(hash = '') {
  const page = await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page: ${error.message}`));
  await page.addInitScript(() => {
    document.addEventListener('pelt:labelled', (event) => { window.lastLabelled = event.detail; });
  });
  await page.goto(base + hash);
  await page.waitForSelector('#labels tbody tr');
  return page;
}

const shownLabels = (page, count) =>
  page.$$eval('#labels tbody tr td:last-child', (cells, n) =>
    cells.slice(0, n).map((cell) => cell.textContent), count);

// Waits for the labels of exactly this expression and locale.
async function labelled(page, expression, locale) {
  await page.waitForFunction(
    ([e, l]) => document.getElementById('expression').value === e &&
      document.getElementById('locale').value === l &&
      window.lastLabelled?.expression === e && window.lastLabelled?.locale === l,
    [expression, locale]);
}

async function typeExpression(page, expression) {
  await page.evaluate(() => { window.lastLabelled = null; });
  await page.fill('#expression', '');
  await page.type('#expression', expression);
  await labelled(page, expression, await page.inputValue('#locale'));
}

const COMMON = '[NAME].UCase - [POPULATION].FormatNumber(0) - ' +
  '[SURVEYED].Format(dddd d mmmm yyyy) - [AREA_KM2].Format(#,##0.00)';
const NNBSP = '\u202f';

// Typed expressions over the sample, in a locale; the first labels as
// pelt-label prints them, or the verification message.
const TYPED = [
  {locale: 'en_US', expression: COMMON, labels: [
    'ZÜRICH - 421,878 - Friday 14 June 2019 - 87.88',
    'BERN - 134,591 - Wednesday 1 September 2021 - 51.62',
    'GENÈVE - 203,856 -  - 15.93']},
  {locale: 'de_DE', expression: COMMON, labels: [
    'ZÜRICH - 421.878 - Freitag 14 Juni 2019 - 87,88',
    'BERN - 134.591 - Mittwoch 1 September 2021 - 51,62']},
  {locale: 'fr_FR', expression: COMMON, labels: [
    `ZÜRICH - 421${NNBSP}878 - vendredi 14 juin 2019 - 87,88`]},
  {locale: 'en_US', expression: '[NAME.UCase', message: 'Missing close bracket("]") on field name.'},
  {locale: 'en_US', expression: '[PHOTO]',
   message: 'Field "PHOTO": geometry and blob field types are not supported by this tool!'},
];

test('typing an expression, or switching the locale, shows its labels or its message', async () => {
  const page = await open();
  for (const {locale, expression, labels, message} of TYPED) {
    await page.selectOption('#locale', locale);
    await typeExpression(page, expression);
    const verdict = await page.textContent('#verdict-message');
    if (message) {
      assert.equal(verdict, message, expression);
      assert.equal(await page.textContent('#verdict-word'), 'invalid:');
      assert.deepEqual(await shownLabels(page, 1), [], expression);
    } else {
      assert.equal(await page.textContent('#verdict-word'), 'valid:', `${expression}: ${verdict}`);
      assert.deepEqual(await shownLabels(page, labels.length), labels, `${locale} ${expression}`);
    }
  }
  await page.close();
});

// Drops a file on the page as a user would.
async function drop(page, name, type, text) {
  await page.evaluate(([n, t, content]) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([content], n, {type: t}));
    document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true}));
  }, [name, type, text]);
  await page.waitForFunction((n) => document.getElementById('table-status').textContent
    .startsWith(n), name);
}

test('a dropped CSV file is labelled as pelt-label labels it, offline', async () => {
  const page = await open();
  await page.context().setOffline(true);
  try {
    await page.selectOption('#locale', 'de_DE');
    const csv = await readFile(new URL('../../data/surveys.csv', import.meta.url), 'utf8');
    await drop(page, 'surveys.csv', 'text/csv', csv);
    await typeExpression(page, '[SITE]: [SURVEYED].Format(dddd d mmmm yyyy)');
    assert.deepEqual(await shownLabels(page, 4), [
      'Aare delta: Samstag 9 März 2024',
      'Lake shore: Samstag 9 März 2024',
      'North ridge: Dienstag 3 September 2024',
      'Old quarry: not surveyed',
    ]);
  } finally {
    await page.context().setOffline(false);
  }
  await page.close();
});

test('the address holds the expression and locale, and a link restores them', async () => {
  const expression = '[NAME] [AREA_KM2].Format(0.0)';
  const page = await open(`#e=${encodeURIComponent(expression)}&locale=de_DE`);
  await labelled(page, expression, 'de_DE');
  assert.equal(await page.inputValue('#expression'), expression);
  assert.equal(await page.inputValue('#locale'), 'de_DE');
  assert.deepEqual(await shownLabels(page, 2), ['Zürich 87,9', 'Bern 51,6']);
  await typeExpression(page, '[NAME].LCase');
  const params = new URLSearchParams(new URL(page.url()).hash.slice(1));
  assert.equal(params.get('e'), '[NAME].LCase');
  assert.equal(params.get('locale'), 'de_DE');
  await page.close();
});

// Entries put in with the keyboard alone: a statement and a word at the
// caret, a tag around the selected text.
const INSERTS = [
  {list: '#statement-list', entry: '.UCase', button: 'add-statement', result: '[NAME].UCase'},
  {list: '#word-list', entry: '$$ROW', button: 'add-word', result: '[NAME]$$ROW',
   description: ['#word-description', "The feature's position in the layer, from 1"]},
  {list: '#tag-list', entry: '<BOL></BOL>', button: 'add-tag', result: '<BOL>[NAME]</BOL>'},
];

test('statements, words and tags are inserted with the keyboard alone', async () => {
  const page = await open();
  for (const {list, entry, button, result, description} of INSERTS) {
    await page.fill('#expression', '[NAME]');
    await page.focus('#expression');
    await page.keyboard.press('Control+A');
    if (list !== '#tag-list') await page.keyboard.press('ArrowRight');
    await page.focus(list);
    await page.selectOption(list, entry);
    if (description) assert.equal(await page.textContent(description[0]), description[1]);
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), button);
    await page.keyboard.press('Enter');
    assert.equal(await page.inputValue('#expression'), result);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'expression');
  }
  await page.close();
});

// 10,000 features of the sample's kind, typed as GeoJSON types them.
function bigGeoJson(count) {
  const names = ['Zürich', 'Bern', 'Genève', 'Łódź', 'Kraków'];
  const features = Array.from({length: count}, (_, i) => ({
    type: 'Feature', geometry: null,
    properties: {NAME: names[i % names.length], POPULATION: 1000 + i * 37,
                 AREA_KM2: (i % 997) + 0.25, SURVEYED: `20${10 + (i % 15)}-0${1 + (i % 9)}-1${i % 10}`},
  }));
  return JSON.stringify({type: 'FeatureCollection', features});
}

test('labels of 10,000 rows appear within 100 ms of a keystroke', async (t) => {
  const page = await open();
  await drop(page, 'big.geojson', 'application/geo+json', bigGeoJson(10000));
  const base = '[NAME].UCase - [POPULATION].FormatNumber(0) [AREA_KM2].Format(#,##0.00)';
  await typeExpression(page, base);
  assert.equal(await page.evaluate(() => window.lastLabelled.count), 10000);
  const delays = [];
  for (const key of ['x', 'y', 'z', 'x', 'y']) {
    await page.evaluate(() => {
      window.lastLabelled = null;
      document.addEventListener('keydown', () => { window.keyAt = performance.now(); },
                                {once: true, capture: true});
    });
    await page.keyboard.press(key);
    await page.waitForFunction(() => window.lastLabelled);
    delays.push(await page.evaluate(() => window.lastLabelled.at - window.keyAt));
  }
  const median = delays.sort((a, b) => a - b)[2];
  t.diagnostic(`keystroke to labels: ${delays.map(Math.round).join(', ')} ms`);
  assert.ok(median < 100, `labels came ${delays.map(Math.round).join(', ')} ms after the keys`);
  await page.close();
});

test('no console errors', () => {
  assert.deepEqual(problems, []);
});
