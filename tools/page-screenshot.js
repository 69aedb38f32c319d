// Photographs quellor's web page as a visitor sees it: serves WEB_DIR on 127.0.0.1, opens
// it in Debian's headless Chromium (puppeteer-core from tests/web/node_modules), waits for
// a few passes and writes a PNG of the whole browser window.
// Usage: node page-screenshot.js WEB_DIR OUT.png [WIDTHxHEIGHT] [QUERY]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const {servePage} = require('./page-server.js');

const [webDir, out, size = '800x600', query = ''] = process.argv.slice(2);
const [width, height] = size.split('x').map(Number);
const root = path.resolve(webDir);

(async () => {
  const server = await servePage(root);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quellor-shot-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.QUELLOR_CHROMIUM || '/usr/bin/chromium', headless: true, userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({width, height, deviceScaleFactor: 1});
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html${query}`);
    await page.waitForFunction(() => window.quellor && window.quellor.ready && window.quellor.passes >= 5,
                               {timeout: 30000});
    await page.screenshot({path: out, type: 'png'});
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
})().catch((error) => {
  console.error(`page-screenshot: ${error.message}`);
  process.exit(1);
});
