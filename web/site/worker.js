// The page's worker: runs the engine's command line on a file system in
// memory and answers each request with what the page shows.
'use strict';
let engine = null;
const errors = [];
let working = 0;  // the request running, whose progress is posted
const ready = createRefldsgn({
  print: () => {},
  printErr: s => errors.push(s),
  onProgress: (done, total) => postMessage({ id: working, progress: done / total }),
}).then(m => {
  engine = m;
  m.FS.ignorePermissions = true;  // whole files are written through a temporary of mode 0
  m.FS.mkdir('/o');
  return m;
});

const text = bytes => new TextDecoder().decode(bytes);

// One run of the command line: its status, its error line (the last line
// of standard error) and the files it wrote (bytes).
function run(args, files) {
  for (const f of engine.FS.readdir('/o')) if (f !== '.' && f !== '..') engine.FS.unlink('/o/' + f);
  errors.length = 0;
  let status;
  try {
    status = engine.callMain(args);
  } catch (e) {
    throw new Error('the engine stopped: ' + String(e).slice(0, 200));
  }
  const out = {};
  for (const f of files) {
    try { out[f] = engine.FS.readFile('/o/' + f); } catch (e) { out[f] = null; }
  }
  const error = errors.filter(l => !/^refldsgn-solve: warning:/.test(l)).pop() || '';
  return { status, error, files: out };
}

// The files made with an update, as [option, file name, link's name]: all
// but the rows (made by the update itself) and STL (made when clicked).
const DOWNLOADS = REFLDSGN_FILES.filter(([name, option]) => option && name !== 'stl')
                                .map(([name, option, file]) => [option, file, name]);

// The files of the last update, kept for its download links.
let kept = { key: null, files: {} };
const keyOf = req => req.args.join('\n') + '\n@' + req.at;

function update(req) {
  const t0 = performance.now();
  const quantities = req.args;
  req = Object.assign({}, req, { args: req.args.concat(req.options || []) });
  const out = { id: req.id };
  const at = ['--at', String(req.at)];
  const study = JSON.parse(engine.UTF8ToString(engine.ccall('refldsgn_study', 'number', ['string'], [quantities.join('\n')])));
  out.title = study.title || '';
  out.rows = study.rows;

  // The pictures and files the command line takes for so many rows.
  const many = (limit, option) => study.rows > limit ? [option] : [];
  const skipped = many(req.limits.html_rows, '--html').concat(many(req.limits.plot_rows, '--plot'));
  // Every output in one run: one solve of the rows.  The files of the
  // other family, or one that this study cannot have, fail it: then each
  // is tried alone.
  const pictures = [['--svg', 'p.svg', 'picture']].concat(req.sweep ? [['--plot', 'plot.svg', 'plot']] : [],
                                                         study.sketch ? [['--sketch', 'k.svg', 'sketch']] : [],
                                                         (req.options || []).includes('--radiate') ? [['--pattern-svg', 'cuts.svg', 'pattern']] : []);
  // The files the designs can have, as the engine says (those that fail
  // for another reason are found by trying).
  const files = DOWNLOADS.filter(d => d[2] !== 'svg' &&
    !(!study.revolution && ['rsf-main', 'rsf-sub', 'champ-main', 'champ-sub'].includes(d[2])) &&
    !(!study.offset_files && ['sfc-main', 'sfc-sub', 'tor'].includes(d[2])));
  const wanted = pictures.map(p => [p[0], p[1]]).concat(files.map(d => [d[0], d[1]])).filter(w => !skipped.includes(w[0]));
  const all = run(req.args.concat(['-f', 'csv', '-o', '/o/rows.csv'], at, ...wanted.map(w => [w[0], '/o/' + w[1]])),
                  ['rows.csv'].concat(wanted.map(w => w[1])));
  let found = all.files;
  const ok = new Set();
  if (all.status === 0) {
    for (const d of files) if (wanted.some(w => w[0] === d[0])) ok.add(d[2]);
  } else {
    const main = run(req.args.concat(['-f', 'csv', '-o', '/o/rows.csv']), ['rows.csv']);
    if (main.status !== 0) {
      out.status = main.status;
      out.error = main.error;
      return out;
    }
    found = { 'rows.csv': main.files['rows.csv'] };
    // A group that fails is halved: an output the study cannot have fails
    // before the rows are solved, so the runs that cost are those that pass.
    const tryGroup = group => {
      const r = run(req.args.concat(at, ...group.map(w => [w[0], '/o/' + w[1]]), ['-o', '/dev/null']), group.map(w => w[1]));
      if (r.status === 0) {
        for (const [option, file] of group) {
          found[file] = r.files[file];
          const d = files.find(f => f[0] === option);
          if (d) ok.add(d[2]);
        }
      } else if (group.length > 1) {
        tryGroup(group.slice(0, group.length >> 1));
        tryGroup(group.slice(group.length >> 1));
      }
    };
    tryGroup(wanted);
  }
  out.status = 0;
  out.error = '';
  // What the selected row's failed checks mean, shown beside its picture.
  out.reasons = engine.UTF8ToString(engine.ccall('refldsgn_reasons', 'number', ['string', 'number'],
                                                 [quantities.join('\n'), req.at]));
  out.csv = text(found['rows.csv']);
  for (const [, file, name] of pictures) if (found[file]) out[name] = text(found[file]);
  kept = { key: keyOf(req), files: { csv: found['rows.csv'] } };
  if (found['p.svg']) { ok.add('svg'); kept.files.svg = found['p.svg']; }
  for (const d of files) if (ok.has(d[2]) && found[d[1]]) kept.files[d[2]] = found[d[1]];
  // STL applies where DXF does: both are drawn from the same model.
  out.downloads = ['csv', 'json'].concat(DOWNLOADS.map(d => d[2]).filter(n => ok.has(n)), ok.has('dxf') ? ['stl'] : []);
  // The files made already go with the answer: their links are ready.
  out.files = {};
  for (const [name, bytes] of Object.entries(kept.files)) if (name !== 'csv') out.files[name] = bytes.slice();
  out.ms = performance.now() - t0;
  return out;
}

// One file for a download link, made when it is clicked.
function file(req) {
  req = Object.assign({}, req, { args: req.args.concat(req.options || []) });
  if (kept.key === keyOf(req) && kept.files[req.format]) {
    const bytes = kept.files[req.format].slice();
    return { id: req.id, status: 0, error: '', bytes };
  }
  const option = Object.fromEntries(REFLDSGN_FILES.map(([name, opt]) => [name, opt]));
  let args;
  if (req.format === 'csv' || req.format === 'json') args = req.args.concat(['-f', req.format, '-o', '/o/file']);
  else args = req.args.concat(['--at', String(req.at), option[req.format], '/o/file', '-o', '/dev/null']);
  const r = run(args, ['file']);
  return { id: req.id, status: r.status, error: r.error, bytes: r.files.file };
}

function reasons(req) {  // of the quantities alone
  const p = engine.ccall('refldsgn_reasons', 'number', ['string', 'number'], [req.args.join('\n'), req.row]);
  return { id: req.id, text: engine.UTF8ToString(p) };
}

onmessage = e => {
  const req = e.data;
  ready.then(() => {
    let reply;
    working = req.id;
    try {
      if (req.kind === 'vocabulary') reply = { id: req.id, vocabulary: JSON.parse(engine.UTF8ToString(engine.ccall('refldsgn_vocabulary', 'number', [], []))) };
      else if (req.kind === 'update') reply = update(req);
      else if (req.kind === 'file') reply = file(req);
      else if (req.kind === 'reasons') reply = reasons(req);
      else if (req.kind === 'trap') throw new WebAssembly.RuntimeError('unreachable');  // the tests' stand-in for an abort
      const moved = reply.bytes ? [reply.bytes.buffer] : reply.files ? Object.values(reply.files).map(b => b.buffer) : [];
      postMessage(reply, moved);
    } catch (err) {
      postMessage({ id: req.id, fault: String(err && err.message || err) });
    }
  }, err => postMessage({ id: req.id, fault: 'the engine did not start: ' + String(err).slice(0, 200) }));
};
