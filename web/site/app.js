// The page: inputs in, the engine's table, pictures and files out.  The
// engine runs in a Web Worker (worker.js with the module, handed over as
// one script by engine.js); the inputs live in the page's address.
'use strict';
(() => {
  const $ = id => document.getElementById(id);
  let ORDER = [];  // the quantities of a design, in the engine's order (from its vocabulary)
  const SETTINGS = ['unit', 'freq', 'taper'];  // the settings the page's files take

  let worker = null, nextId = 1, pending = new Map(), vocabulary = null;
  let current = null;       // the request running: {id, started}
  let queued = false;       // inputs changed while it ran
  let selected = 1;         // the row of the picture and files (1-based)
  let lastArgs = null;

  function setState(s) { document.body.dataset.state = s; }

  // ----- the worker
  function startWorker() {
    if (worker) worker.terminate();
    for (const [, p] of pending) p.reject(new Error('cancelled'));
    pending.clear();
    const url = URL.createObjectURL(new Blob([REFLDSGN_WORKER_SOURCE], { type: 'text/javascript' }));
    worker = new Worker(url);
    URL.revokeObjectURL(url);
    worker.onmessage = e => {
      if (e.data.progress !== undefined) {  // long work under way: how far
        $('progress').value = e.data.progress;
        return;
      }
      const p = pending.get(e.data.id);
      if (!p) return;
      pending.delete(e.data.id);
      if (e.data.fault) p.reject(new Error(e.data.fault)); else p.resolve(e.data);
    };
    worker.onerror = e => {
      e.preventDefault();
      for (const [, p] of pending) p.reject(new Error('the engine stopped: ' + (e.message || 'an error')));
      pending.clear();
    };
  }
  function ask(req) {
    req.id = nextId++;
    return new Promise((resolve, reject) => {
      pending.set(req.id, { resolve, reject });
      worker.postMessage(req);
    });
  }

  // ----- the inputs
  function buildFields() {
    const help = {};
    for (const k of vocabulary.keys) help[k.name] = k.help;
    ORDER = vocabulary.keys.filter(k => k.kind === 'design' || k.kind === 'choice').map(k => k.name);
    const typeSelect = $('type');
    for (const t of vocabulary.types) {
      const o = document.createElement('option');
      o.value = o.textContent = t;
      typeSelect.appendChild(o);
    }
    const box = $('fields');
    for (const name of ORDER.concat(SETTINGS)) {
      const div = document.createElement('div');
      div.className = 'field';
      const label = document.createElement('label');
      label.htmlFor = 'q-' + name;
      label.textContent = name;
      let input;
      if (name === 'unit') {
        input = document.createElement('select');
        for (const u of [''].concat(vocabulary.units.split(/, | or /))) {
          const o = document.createElement('option');
          o.value = u;
          o.textContent = u === '' ? '(not given)' : u;
          input.appendChild(o);
        }
      } else {
        input = document.createElement('input');
        input.type = 'text';
        input.inputMode = 'decimal';
        input.autocomplete = 'off';
        input.spellcheck = false;
      }
      input.id = 'q-' + name;
      input.name = name;
      const small = document.createElement('small');
      small.id = 'h-' + name;
      small.className = 'help';
      small.textContent = describe(name, help[name] || '');
      input.setAttribute('aria-describedby', small.id);
      const fault = document.createElement('span');
      fault.className = 'fault';
      fault.id = 'f-' + name;
      div.append(label, input, small, fault);
      box.appendChild(div);
    }
  }
  // The quantity's help and the sense of its unit.
  function describe(name, help) {
    if (/degrees/.test(help) || name === 'unit' || name === 'root' || name === 'E' || name === 'FDE' || name === 'freq' || name === 'taper') return help;
    return help + ' (a length, in the unit of every length)';
  }

  function inputs() {
    const q = [];
    const type = $('type').value;
    if (type) q.push(['type', type]);
    for (const name of ORDER.concat(SETTINGS)) {
      const v = $('q-' + name).value.trim();
      if (v !== '') q.push([name, v]);
    }
    return q;
  }
  const argsOf = q => q.map(([k, v]) => k + '=' + v);
  // The command line's options the page adds: the radiation columns and cuts.
  const optionsOf = () => ($('radiate').checked ? ['--radiate'] : []);
  const isSweep = q => q.some(([k, v]) => k !== 'type' && /:/.test(v));

  // The address follows the inputs: the first change after a settled
  // state (the page opened, a field left, Back or Forward) starts a new
  // step of the history; the keystrokes after it amend that step.
  let settled = true;
  // The address of the inputs q, the radiation and the selected row.
  function addressOf(q) {
    const params = new URLSearchParams(q);
    if ($('radiate').checked) params.set('radiate', '1');
    if (selected !== 1) params.set('at', String(selected));
    return '#' + params.toString();
  }
  function toAddress(q, push) {
    const hash = addressOf(q);
    if (hash === location.hash) return;
    if (push || settled) history.pushState(null, '', hash); else history.replaceState(null, '', hash);
    settled = false;
  }
  function fromAddress() {
    const params = new URLSearchParams(location.hash.slice(1));
    $('type').value = params.get('type') || $('type').options[0].value;
    for (const name of ORDER.concat(SETTINGS)) $('q-' + name).value = params.get(name) || '';
    selected = Math.max(1, parseInt(params.get('at') || '1', 10) || 1);
    $('radiate').checked = params.get('radiate') === '1';
  }

  // ----- the results
  function showError(message) {
    $('error').textContent = message;
    for (const name of ORDER.concat(SETTINGS)) {
      const input = $('q-' + name);
      const named = message && new RegExp("(^|[^A-Za-z_])'?" + name + "'?([^A-Za-z_0-9]|$)").test(message);
      input.setAttribute('aria-invalid', named ? 'true' : 'false');
      $('f-' + name).textContent = named ? message : '';
    }
  }

  function parseCsv(text) {
    const lines = text.split('\n').filter(l => l.length);
    return lines.map(l => l.split(','));
  }

  const escape = t => t.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');

  // The rows as the CSV gives them, in bodies of 100 rows that the browser
  // lays out only when they come into view (ten thousand rows otherwise
  // take seconds to lay out).
  function showTable(csv, total) {
    // The header and the rows shown: the lines of the CSV up to them alone.
    let end = 0;
    for (let n = 0; n <= vocabulary.html_rows && end !== -1; n++) end = csv.indexOf('\n', end + (n ? 1 : 0));
    const rows = parseCsv(end === -1 ? csv : csv.slice(0, end));
    const table = $('results');
    if (!rows.length) { table.textContent = ''; return; }
    const check = rows[0].indexOf('check');
    const shown = Math.min(rows.length - 1, vocabulary.html_rows);
    const html = ['<thead role="rowgroup"><tr role="row">'];
    for (const h of rows[0]) html.push('<th role="columnheader" scope="col" title="' + escape(h) + '">' + escape(h) + '</th>');
    html.push('</tr></thead>');
    for (let i = 1; i <= shown; i++) {
      if ((i - 1) % 100 === 0) {
        // Each body's height until it is laid out: its rows at a row's height (fixed in the style).
        const n = Math.min(100, shown - i + 1);
        html.push((i > 1 ? '</tbody>' : '') + '<tbody role="rowgroup"' +
                  (shown > 100 ? ' class="lazy" style="--rows: ' + n + '"' : '') + '>');
      }
      const r = rows[i];
      const failed = check >= 0 && r[check] !== 'ok';
      html.push('<tr role="row" tabindex="0" data-row="' + i + '"' + (failed ? ' class="failed"' : '') +
                (i === selected ? ' aria-selected="true"' : '') + '>');
      for (let j = 0; j < r.length; j++) {
        const v = escape(r[j]);
        html.push(j === check && failed ? '<td role="cell" title="fails ' + v + '">' + v + '</td>'
                                        : '<td role="cell">' + v + '</td>');
      }
      html.push('</tr>');
    }
    if (shown) html.push('</tbody>');
    table.innerHTML = html.join('');
    $('table-note').textContent = total > shown
      ? 'The first ' + shown.toLocaleString('en') + ' of ' + total.toLocaleString('en') + ' rows are shown; the CSV holds them all.'
      : total + (total === 1 ? ' row' : ' rows');
  }

  function place(id, svgText, note) {
    const box = $(id).querySelector('.drawing');
    if (svgText) {
      const doc = new DOMParser().parseFromString(svgText, 'image/svg+xml');
      box.replaceChildren(document.importNode(doc.documentElement, true));
    } else {
      box.replaceChildren();
      if (note) box.textContent = note;
    }
  }

  const TYPES = { stl: 'model/stl', html: 'text/html', svg: 'image/svg+xml', json: 'application/json', csv: 'text/csv' };
  let urls = [], made = {}, madeKey = '';
  // The links of the files that apply.  Those made already (with the
  // update's answer) get their address when clicked, at once; the others
  // are made then by the engine.
  function showDownloads(list, files) {
    for (const u of urls) URL.revokeObjectURL(u);
    urls = [];
    made = files;
    madeKey = lastArgs.join('\n') + '@' + selected;
    const box = $('dls');
    box.replaceChildren();
    for (const [format, , file, label] of REFLDSGN_FILES) {
      if (!list.includes(format)) continue;
      const a = document.createElement('a');
      a.id = 'dl-' + format;
      a.download = file;
      a.textContent = label;
      a.href = '#';
      a.addEventListener('click', download);
      box.appendChild(a);
    }
  }

  function ready(a, format, bytes, key) {
    a.href = URL.createObjectURL(new Blob([bytes], { type: TYPES[format] || 'text/plain' }));
    urls.push(a.href);
    a.dataset.ready = key;
  }

  async function download(e) {
    const a = e.currentTarget;
    const format = a.id.slice(3);
    const key = lastArgs.join('\n') + '@' + selected;
    if (a.dataset.ready === key) return;  // its address is made
    if (madeKey === key && made[format]) {
      ready(a, format, made[format], key);  // the click goes on to it
      return;
    }
    e.preventDefault();
    setState('busy');
    try {
      const r = await ask({ kind: 'file', format, args: lastArgs, options: optionsOf(), at: selected });
      if (r.status !== 0 || !r.bytes) throw new Error(r.error || 'no file');
      ready(a, format, r.bytes, key);
      a.click();
    } catch (err) {
      $('note').textContent = 'The file could not be made: ' + err.message;
    } finally {
      setState(current ? 'busy' : 'idle');
    }
  }

  // ----- one update: the inputs through the engine
  async function update(push) {
    const q = inputs();
    const args = argsOf(q);
    toAddress(q, push);
    lastArgs = args;
    const id = {};
    current = id;
    setState('busy');
    const slow = setTimeout(() => { $('progress').hidden = false; $('cancel').hidden = false; }, 300);
    $('progress').removeAttribute('value');  // not known until the engine tells
    try {
      const r = await ask({ kind: 'update', args, options: optionsOf(), at: selected, sweep: isSweep(q),
                            limits: { html_rows: vocabulary.html_rows, plot_rows: vocabulary.plot_rows } });
      if (current !== id) return;
      if (r.status !== 0) {
        showError(r.error.replace(/^refldsgn-solve: /, ''));
        $('case').textContent = '';
        $('reasons').textContent = '';
        $('results').textContent = '';
        $('table-note').textContent = '';
        place('picture', null); place('plot', null); place('sketch', null); place('pattern', null);
        showDownloads([], {});
        return;
      }
      showError('');
      document.body.dataset.engine = r.ms.toFixed(1);  // the engine's share of the time, for the benchmark
      showTable(r.csv, r.rows);
      if (selected > r.rows) { selected = 1; queued = true; }  // a row the study no longer has: its first
      place('picture', r.picture, 'No picture of this row.');
      place('plot', r.plot, isSweep(q) ? 'No plot of this sweep.' : 'A sweep (START:STOP:STEP) is plotted here.');
      place('pattern', r.pattern, $('radiate').checked ? 'No cuts of this row.' : 'Tick "radiation" for the far-field cuts of the selected row.');
      place('sketch', r.sketch, 'The quantities are named on a sketch for offset designs (mode 3); the picture names those of this one.');
      $('case').textContent = r.title || '';
      $('reasons').textContent = r.reasons ? 'Row ' + selected + ' fails: ' + r.reasons.trim().split('\n').join('; ') : '';
      showDownloads(r.downloads || [], Object.assign({ csv: r.csv }, r.files || {}));
    } catch (err) {
      if (current !== id) return;
      if (err.message === 'cancelled') return;
      $('note').textContent = 'The engine stopped (' + err.message + '); it has been started afresh.';
      startWorker();
    } finally {
      clearTimeout(slow);
      if (current === id) {
        current = null;
        $('progress').hidden = true;
        $('cancel').hidden = true;
        if (queued) { queued = false; schedule(false); return; }
        setState('idle');
        // From the input event to the page showing it, for the benchmark.
        if (inputAt !== null) { document.body.dataset.took = (performance.now() - inputAt).toFixed(1); inputAt = null; }
      }
    }
  }

  let timer = null, startedAt = 0, inputAt = null;
  function schedule(push) {
    setState('busy');
    if (current) {
      // Long work is dropped for the new input; short work finishes first.
      if (performance.now() - startedAt > 300) { current = null; startWorker(); }
      else { queued = true; return; }
    }
    clearTimeout(timer);
    timer = setTimeout(() => { startedAt = performance.now(); update(push); }, 0);
  }

  function select(row) {
    if (!row || row === selected) return;
    selected = row;
    for (const tr of $('results').querySelectorAll('tr[aria-selected]')) tr.removeAttribute('aria-selected');
    const tr = $('results').querySelector('tr[data-row="' + row + '"]');
    if (tr) tr.setAttribute('aria-selected', 'true');
    schedule(true);
  }

  async function showReasons(tr) {
    const row = Number(tr.dataset.row);
    const check = tr.querySelector('td[title]');
    if (!check || check.dataset.reasons) return;
    try {
      const r = await ask({ kind: 'reasons', args: lastArgs, row });
      check.title = r.text.trim() || check.title;
      check.dataset.reasons = '1';
    } catch (e) { /* the title stays the codes */ }
  }

  // The tests' hook: the engine stopped as if the module had aborted, in
  // the middle of an update.
  window.refldsgnTrap = () => {
    schedule(false);
    ask({ kind: 'trap' }).catch(err => {
      $('note').textContent = 'The engine stopped (' + err.message + '); it has been started afresh.';
      current = null;
      startWorker();
      schedule(false);
    });
  };

  // ----- start
  async function start() {
    setState('busy');
    startWorker();
    try {
      vocabulary = (await ask({ kind: 'vocabulary' })).vocabulary;
    } catch (err) {
      $('error').textContent = 'The engine did not start: ' + err.message;
      setState('idle');
      return;
    }
    buildFields();
    if (!location.hash) history.replaceState(null, '', '#type=cassegrain&DM=6&FM=2.52&DS=0.35&TE=2.04624&unit=m');
    fromAddress();
    $('inputs').addEventListener('input', e => {
      if (inputAt === null) inputAt = e.timeStamp;
      $('note').textContent = '';  // what happened before (a cancel, an engine restarted) is past
      schedule(false);
    });
    $('inputs').addEventListener('change', () => { settled = true; });
    // Back, Forward, or an address typed or pasted.
    const reopen = () => {
      if (addressOf(inputs()) === location.hash) return;
      fromAddress();
      settled = true;
      schedule(false);
    };
    window.addEventListener('popstate', reopen);
    window.addEventListener('hashchange', reopen);
    $('results').addEventListener('click', e => {
      const tr = e.target.closest('tr[data-row]');
      if (tr) select(Number(tr.dataset.row));
    });
    $('results').addEventListener('keydown', e => {
      const tr = e.target.closest('tr[data-row]');
      if (tr && (e.key === 'Enter' || e.key === ' ')) { e.preventDefault(); select(Number(tr.dataset.row)); }
    });
    $('results').addEventListener('mouseover', e => { const tr = e.target.closest('tr.failed'); if (tr) showReasons(tr); });
    $('results').addEventListener('focusin', e => { const tr = e.target.closest('tr.failed'); if (tr) showReasons(tr); });
    $('plot').addEventListener('click', e => {
      // The row of the sweep's point nearest the click along the first line drawn.
      const svg = $('plot').querySelector('svg');
      const line = svg && svg.querySelector('polyline');
      if (!line) return;
      const at = new DOMPoint(e.clientX, e.clientY).matrixTransform(svg.getScreenCTM().inverse());
      const xs = line.getAttribute('points').trim().split(/\s+/).map(p => Number(p.split(',')[0]));
      let best = 0;
      xs.forEach((x, i) => { if (Math.abs(x - at.x) < Math.abs(xs[best] - at.x)) best = i; });
      select(best + 1);
    });
    $('cancel').addEventListener('click', () => {
      current = null;
      queued = false;
      startWorker();
      $('progress').hidden = true;
      $('cancel').hidden = true;
      $('note').textContent = 'Cancelled.';
      setState('idle');
    });
    update(false);
  }
  start();
})();
