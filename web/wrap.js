// Wraps the module's script in a string the page can hand to a Web Worker
// from any origin, file:// included (a worker cannot load a script file
// there): node wrap.js MODULE_JS WORKER_JS FORMATS_JS OUT_JS
'use strict';
const fs = require('fs');
const [moduleJs, workerJs, formatsJs, out] = process.argv.slice(2);
const source = [formatsJs, moduleJs, workerJs].map(f => fs.readFileSync(f, 'utf8')).join('\n');
fs.writeFileSync(out, '// The engine (refldsgn-solve in WebAssembly) and its worker, as one script for a Web Worker.\n' +
  'var REFLDSGN_WORKER_SOURCE = ' + JSON.stringify(source) + ';\n');
