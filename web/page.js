// The page: text and files converted by the suite's engine, in a worker of the page itself.
'use strict';
(() => {
  const TEXTS = {
    vi: {
      intro: 'Chuyển mã tiếng Việt giữa 44 bảng mã và Unicode, ngay trong trình duyệt.',
      language: 'English', from: 'Từ mã', to: 'Sang mã', convert: 'Chuyển mã',
      fix: 'Sửa chữ lỗi', copy: 'Chép kết quả', auto: 'Tự nhận dạng',
      groupPlain: 'Bảng mã', groupCarried: 'Chữ cũ đã mở như Windows-1252 (dán từ Word, web)',
      groupTwice: 'UTF-8 bị mã hóa lại',
      filesTitle: 'Tệp', filesHelp: 'Chọn hoặc thả tệp .txt, .htm, .html, .rtf: mỗi tệp được chuyển mã như tsweb chuyển, rồi tải về.',
      choose: 'Thả tệp vào đây hoặc chọn tệp', download: 'Tải về',
      private: 'Không gì rời khỏi trang này: văn bản và tệp được chuyển mã ngay trên máy của bạn, kể cả khi không có mạng.',
      converted: 'Đã chuyển mã.', readAs: 'Đọc văn bản là ', copied: 'Đã chép.',
      repaired: (n, u) => `Đã sửa ${n} từ; để nguyên ${u} từ không chắc.`,
      lossHead: 'Bảng mã đích không giữ được:', guessHead: 'Nhận dạng:',
      lost: (c, n, what) => `${c}: ${n} lần, ${what}`,
      dropped: 'bị bỏ', replaced: (s) => `viết là "${s}"`, lowerCode: (s) => `viết bằng mã của '${s}'`,
      working: 'Đang chuyển mã…', noEngine: 'Không khởi động được bộ chuyển mã: ',
    },
    en: {
      intro: 'Vietnamese text converted between 44 charsets and Unicode, in your browser.',
      language: 'Tiếng Việt', from: 'From', to: 'To', convert: 'Convert',
      fix: 'Fix mojibake', copy: 'Copy result', auto: 'Detect',
      groupPlain: 'Charsets', groupCarried: 'Legacy text opened as Windows-1252 (pasted from Word, the web)',
      groupTwice: 'UTF-8 encoded again',
      filesTitle: 'Files', filesHelp: 'Choose or drop .txt, .htm, .html, .rtf files: each is converted as tsweb converts it, then downloaded.',
      choose: 'Drop files here or choose them', download: 'Download',
      private: 'Nothing leaves this page: text and files are converted on your own machine, offline too.',
      converted: 'Converted.', readAs: 'Text read as ', copied: 'Copied.',
      repaired: (n, u) => `${n} words repaired; ${u} left as they were (not sure).`,
      lossHead: 'The destination cannot hold:', guessHead: 'Detection:',
      lost: (c, n, what) => `${c}: ${n} ${n === 1 ? 'time' : 'times'}, ${what}`,
      dropped: 'dropped', replaced: (s) => `written as "${s}"`, lowerCode: (s) => `written with the code of '${s}'`,
      working: 'Converting…', noEngine: 'The converter could not start: ',
    },
  };
  const $ = (id) => document.getElementById(id);
  let lang = (navigator.language || 'en').toLowerCase().startsWith('vi') ? 'vi' : 'en';
  const t = (key) => TEXTS[lang][key];

  // ---- The engine, in a worker where the browser allows one, else in the page. ----
  const engineSource = $('engine').textContent;
  let nextId = 1;
  const waiting = new Map();
  function viaWorker() {
    const url = URL.createObjectURL(new Blob([engineSource, '\n', $('worker').textContent],
                                             { type: 'text/javascript' }));
    const worker = new Worker(url);
    worker.onmessage = (e) => {
      const w = waiting.get(e.data.id);
      if (!w) return;
      if ('progress' in e.data) { if (w.progress) w.progress(e.data.progress); return; }
      waiting.delete(e.data.id);
      if ('error' in e.data) w.reject(new Error(e.data.error)); else w.resolve(e.data.result);
    };
    const call = (op, args, progress) => new Promise((resolve, reject) => {
      const id = nextId++;
      waiting.set(id, { resolve, reject, progress });
      worker.postMessage({ id, op, args });
    });
    // Answers once the engine has started in it.
    return call('charsets', []).then((list) => ({ call, list }));
  }
  function inPage() {
    return new Promise((resolve, reject) => {
      const s = document.createElement('script');
      s.src = URL.createObjectURL(new Blob([engineSource], { type: 'text/javascript' }));
      s.onload = () => self.TessaroEngine().then((m) => {
        const call = (op, args, progress) => new Promise((res, rej) => {
          try {
            res(m[op](...(op === 'convertFile' ? [...args, progress || null] : args)));
          } catch (err) { rej(err); }
        });
        resolve({ call, list: m.charsets() });
      }, reject);
      s.onerror = () => reject(new Error('engine script'));
      document.head.appendChild(s);
    });
  }
  const engine = viaWorker().catch(() => inPage());

  // ---- Bytes and the texts that carry them ----
  // Legacy bytes pasted from a document arrive as Windows-1252 characters; the five bytes it
  // leaves undefined as U+0081, U+008D, U+008F, U+0090, U+009D.
  const CP1252 = '\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039' +
    '\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122' +
    '\u0161\u203A\u0153\u009D\u017E\u0178';
  const carriedText = (bytes) => {
    let s = '';
    for (let i = 0; i < bytes.length; i += 1) {
      const b = bytes[i];
      s += b >= 0x80 && b < 0xA0 ? CP1252[b - 0x80] : String.fromCharCode(b);
    }
    return s;
  };
  const UNICODE = new Set([39, 40, 41, 42, 43]);  // written as UTF-8 or ASCII
  // The form pasted text is read in: a legacy charset carried in it once more.
  function pastedForm(value) {
    if (value === 'auto') return value;
    const base = value.split('+')[0];
    const code = Number(base);
    if (/^\d+$/.test(base) && UNICODE.has(code)) return value;
    if (base === 'utf8') return value;
    return value + '+utf8';
  }
  const textOf = (bytes, to) => (Number(to) === 41 ? new TextDecoder().decode(bytes)
    : carriedText(bytes));

  // ---- The page ----
  function say(text, error) {
    $('said').textContent = text;
    $('said').className = error ? 'error' : '';
  }
  const codePoint = (cp) => `'${String.fromCodePoint(cp)}' U+${cp.toString(16).toUpperCase().padStart(4, '0')}`;
  function showLosses(losses) {
    const ul = $('losses');
    ul.textContent = '';
    if (!losses || !losses.length) return;
    const head = document.createElement('li');
    head.textContent = t('lossHead');
    ul.appendChild(head);
    for (const l of losses) {
      const what = l.kind === 'dropped' ? t('dropped')
        : l.kind === 'replaced' ? t('replaced')(l.as) : t('lowerCode')(String.fromCodePoint(l.as));
      const li = document.createElement('li');
      li.textContent = t('lost')(codePoint(l.codePoint), l.count, what);
      ul.appendChild(li);
    }
  }
  function showGuesses(guesses) {
    const ul = $('guesses');
    ul.textContent = '';
    if (!guesses || !guesses.length) return;
    const head = document.createElement('li');
    head.textContent = t('guessHead');
    ul.appendChild(head);
    for (const g of guesses.slice(0, 5)) {
      if (g.confidence < 0.01) continue;
      const li = document.createElement('li');
      li.textContent = `${g.names.slice(0, 4).join(', ')}: ${Math.round(g.confidence * 100)}%`;
      ul.appendChild(li);
    }
  }

  function fillLists(list) {
    const from = $('from');
    const to = $('to');
    const keep = [from.value, to.value];
    from.textContent = '';
    to.textContent = '';
    const option = (parent, value, label) => {
      const o = document.createElement('option');
      o.value = value;
      o.textContent = label;
      parent.appendChild(o);
    };
    option(from, 'auto', t('auto'));
    const plain = document.createElement('optgroup');
    plain.label = t('groupPlain');
    const carried = document.createElement('optgroup');
    carried.label = t('groupCarried');
    const twice = document.createElement('optgroup');
    twice.label = t('groupTwice');
    for (const c of list) {
      if (!c.letters && c.code !== 40) continue;
      const label = `${c.code} - ${c.name}`;
      option(plain, String(c.code), label);
      if (c.code !== 40) option(to, String(c.code), label);
      if (!UNICODE.has(c.code)) option(carried, `${c.code}+utf8`, `${c.name} + UTF-8`);
    }
    option(twice, 'utf8+utf8', 'UTF-8 + UTF-8');
    option(twice, 'utf8+utf8+utf8', 'UTF-8 + UTF-8 + UTF-8');
    from.append(plain, carried, twice);
    from.value = keep[0] || '15';
    to.value = keep[1] || '41';
  }

  function applyLanguage(list) {
    document.documentElement.lang = lang;
    // The engine's reports (tsweb's) in the page's language.
    engine.then(({ call }) => call('setLanguage', [lang])).catch(() => {});
    for (const el of document.querySelectorAll('[data-text]')) el.textContent = t(el.dataset.text);
    $('language').textContent = t('language');
    if (list) fillLists(list);
  }

  async function convertText() {
    const { call } = await engine;
    const from = $('from').value;
    const to = $('to').value;
    const bytes = new TextEncoder().encode($('source').value);
    const r = await call('convert', [bytes, pastedForm(from), to, true]);
    showLosses(r.losses);
    if (r.error) {
      showGuesses(r.guesses);
      say(r.error, true);
      return;
    }
    $('result').value = textOf(r.bytes, to);
    const d = await call('detect', [bytes]);
    showGuesses(d.guesses);
    say(r.readAs ? t('readAs') + r.readAs : t('converted'));
  }

  async function fixText() {
    const { call } = await engine;
    const r = await call('fix', [$('source').value]);
    $('result').value = r.text;
    showLosses([]);
    say(t('repaired')(r.repaired, r.unsure + r.undecided));
  }

  // ---- Files ----
  let downloads = [];
  async function convertFiles(files) {
    const { call } = await engine;
    const bar = $('progress');
    const texts = [];
    downloads = [];
    $('download').disabled = true;
    bar.hidden = false;
    for (const [n, file] of [...files].entries()) {
      const bytes = new Uint8Array(await file.arrayBuffer());
      bar.value = n / files.length;
      const r = await call('convertFile', [file.name, bytes, $('from').value, $('to').value],
        (ticks) => { bar.value = (n + Math.min(ticks, 50) / 50) / files.length; });
      if (r.error) {
        texts.push(`${file.name}: ${r.error}`);
        continue;
      }
      texts.push(r.report);
      if (r.converted) downloads.push({ name: file.name, bytes: r.bytes });
    }
    bar.value = 1;
    bar.hidden = true;
    $('report').textContent = texts.join('\n\n');
    $('download').disabled = downloads.length === 0;
  }

  // A zip of stored (uncompressed) files, for several downloads at once.
  const CRC = new Uint32Array(256).map((_, n) => {
    let c = n;
    for (let k = 0; k < 8; k += 1) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  function crc32(bytes) {
    let c = 0xFFFFFFFF;
    for (let i = 0; i < bytes.length; i += 1) c = CRC[(c ^ bytes[i]) & 0xFF] ^ (c >>> 8);
    return (c ^ 0xFFFFFFFF) >>> 0;
  }
  function zip(entries) {
    const parts = [];
    const central = [];
    let offset = 0;
    for (const e of entries) {
      const name = new TextEncoder().encode(e.name);
      const crc = crc32(e.bytes);
      const local = new DataView(new ArrayBuffer(30));
      local.setUint32(0, 0x04034b50, true);
      local.setUint16(4, 20, true);
      local.setUint16(6, 0x0800, true);  // names in UTF-8
      local.setUint32(14, crc, true);
      local.setUint32(18, e.bytes.length, true);
      local.setUint32(22, e.bytes.length, true);
      local.setUint16(26, name.length, true);
      const entry = new DataView(new ArrayBuffer(46));
      entry.setUint32(0, 0x02014b50, true);
      entry.setUint16(4, 20, true);
      entry.setUint16(6, 20, true);
      entry.setUint16(8, 0x0800, true);
      entry.setUint32(16, crc, true);
      entry.setUint32(20, e.bytes.length, true);
      entry.setUint32(24, e.bytes.length, true);
      entry.setUint16(28, name.length, true);
      entry.setUint32(42, offset, true);
      parts.push(local, name, e.bytes);
      central.push(entry, name);
      offset += 30 + name.length + e.bytes.length;
    }
    const size = central.reduce((n, p) => n + p.byteLength, 0);
    const end = new DataView(new ArrayBuffer(22));
    end.setUint32(0, 0x06054b50, true);
    end.setUint16(8, entries.length, true);
    end.setUint16(10, entries.length, true);
    end.setUint32(12, size, true);
    end.setUint32(16, offset, true);
    return new Blob([...parts, ...central, end], { type: 'application/zip' });
  }
  function download() {
    if (!downloads.length) return;
    const one = downloads.length === 1;
    const blob = one ? new Blob([downloads[0].bytes]) : zip(downloads);
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = one ? downloads[0].name : 'tessaro.zip';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
  }

  // ---- The API for other pages ----
  const check = (r) => {
    if (r.error) throw new Error(r.error);
    return r;
  };
  self.tessaro = {
    ready: engine.then(() => true),
    // Bytes converted as tsconv -f FROM -t TO converts them: a Promise of a Uint8Array.
    convert: async (bytes, from, to) => check(await (await engine).call(
      'convert', [bytes, String(from), String(to), false])).bytes,
    // The charsets the bytes may be in, best first: [{codes, names, confidence}].
    detect: async (bytes) => (await (await engine).call('detect', [bytes])).guesses,
    // Mojibake repaired as tsconv --fix repairs it.
    fix: async (text) => (await (await engine).call('fix', [String(text)])).text,
    // A file converted as tsweb converts it: {bytes, converted, report}.
    convertFile: async (name, bytes, from, to) => check(await (await engine).call(
      'convertFile', [String(name), bytes, String(from), String(to)])),
  };

  // ---- Wiring ----
  let charsetList = null;
  applyLanguage(null);
  engine.then(({ list }) => {
    charsetList = list;
    fillLists(list);
  }, (err) => say(t('noEngine') + err.message, true));
  $('language').addEventListener('click', () => {
    lang = lang === 'vi' ? 'en' : 'vi';
    applyLanguage(charsetList);
  });
  const guard = (f) => () => f().catch((err) => say(String(err.message || err), true));
  $('convert').addEventListener('click', guard(convertText));
  $('fix').addEventListener('click', guard(fixText));
  $('copy').addEventListener('click', () => {
    const r = $('result');
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(r.value).then(() => say(t('copied')));
    } else {
      r.select();
      document.execCommand('copy');
      say(t('copied'));
    }
  });
  $('files').addEventListener('change', guard(() => convertFiles($('files').files)));
  const drop = $('drop');
  drop.addEventListener('dragover', (e) => { e.preventDefault(); drop.classList.add('over'); });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (e) => {
    e.preventDefault();
    drop.classList.remove('over');
    guard(() => convertFiles(e.dataTransfer.files))();
  });
  $('download').addEventListener('click', download);
})();
