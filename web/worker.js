// The engine's worker: each message {id, op, args} calls the engine's function `op`; the
// answer {id, result} or {id, error}.  A file's progress comes as {id, progress}.
'use strict';
const ready = TessaroEngine();
self.onmessage = async (e) => {
  const { id, op, args } = e.data;
  const engine = await ready;
  try {
    const call = op === 'convertFile'
      ? [...args, (ticks) => self.postMessage({ id, progress: ticks })]
      : args;
    const result = engine[op](...call);
    const moved = result && result.bytes ? [result.bytes.buffer] : [];
    self.postMessage({ id, result }, moved);
  } catch (err) {
    self.postMessage({ id, error: String(err && err.message ? err.message : err) });
  }
};
