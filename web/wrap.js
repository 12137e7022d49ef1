// Wraps the module's script in a string the page can hand to a Web Worker
// from any origin, file:// included (a worker cannot load a script file
// there): node wrap.js MODULE_JS WORKER_JS OUT_JS
'use strict';
const fs = require('fs');
const [moduleJs, workerJs, out] = process.argv.slice(2);
const source = fs.readFileSync(moduleJs, 'utf8') + '\n' + fs.readFileSync(workerJs, 'utf8');
fs.writeFileSync(out, '// The engine (refldsgn-solve in WebAssembly) and its worker, as one script for a Web Worker.\n' +
  'var REFLDSGN_WORKER_SOURCE = ' + JSON.stringify(source) + ';\n');
