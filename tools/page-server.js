// Serves a built web page's folder on 127.0.0.1, on a free port, from the calling process:
// for the page's browser test and for its screenshot. Only files inside the folder are
// served; anything else is a 404.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const mimeTypes = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.b2': 'application/octet-stream',
};

// Resolves to the listening server (its port: server.address().port).
function servePage(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': mimeTypes[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

module.exports = {servePage};
