// Sums the main thread's work in a trace by kind, for the events that start
// from the key release's dispatch until the frame after it was drawn.
export function breakdown(trace, toFrame) {
  const kinds = {
    script: ['EventDispatch', 'FunctionCall', 'v8.callFunction'],
    style: ['UpdateLayoutTree', 'RecalculateStyles'],
    layout: ['Layout'],
    paint: ['PrePaint', 'Paint', 'Layerize', 'PaintImage', 'UpdateLayer', 'Commit'],
  };
  const events = JSON.parse(trace.toString()).traceEvents ?? [];
  const press = events.find((event) => event.name === 'EventDispatch' && event.args?.data?.type === 'keyup');
  if (!press) return null;
  const main = events.filter((event) => event.pid === press.pid && event.tid === press.tid && event.ph === 'X' && event.ts >= press.ts && event.ts < press.ts + toFrame * 1000);
  const sums = {};
  for (const [kind, names] of Object.entries(kinds)) {
    // Only outermost events of a kind, so that nested ones are not counted twice.
    let end = -1;
    let total = 0;
    for (const event of main.filter((e) => names.includes(e.name)).sort((a, b) => a.ts - b.ts)) {
      if (event.ts >= end) {
        total += event.dur ?? 0;
        end = event.ts + (event.dur ?? 0);
      }
    }
    sums[kind] = total / 1000;
  }
  return sums;
}

