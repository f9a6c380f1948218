// From a link's resolved address back to the file it names, byte by byte.

// The path of a file URL as raw bytes: each %XX is one byte, every other
// character stands for its UTF-8 bytes.
export function urlPathBytes(href) {
  const url = new URL(href);
  if (url.protocol !== 'file:' || url.host !== '') throw new Error(`not a local file URL: ${href}`);
  const text = url.pathname;
  const out = [];
  for (let at = 0; at < text.length; at++) {
    const escape = text.slice(at + 1, at + 3);
    if (text[at] === '%' && /^[0-9A-Fa-f]{2}$/.test(escape)) {
      out.push(parseInt(escape, 16));
      at += 2;
    } else {
      out.push(...Buffer.from(text[at], 'utf8'));
    }
  }
  return Buffer.from(out);
}

// The path below root that the link names, or null when it leads outside.
export function relativeTarget(href, rootBytes) {
  const full = urlPathBytes(href);
  const prefix = Buffer.concat([rootBytes, Buffer.from('/')]);
  if (full.length <= prefix.length || !full.subarray(0, prefix.length).equals(prefix)) return null;
  return full.subarray(prefix.length);
}

export const isAscii = (bytes) => bytes.every((b) => b < 0x80);

// Bytes as printable text for messages: every byte outside ASCII as \xHH.
export function show(bytes) {
  return [...bytes].map((b) => (b >= 0x20 && b < 0x7f ? String.fromCharCode(b) : `\\x${b.toString(16).padStart(2, '0')}`)).join('');
}
