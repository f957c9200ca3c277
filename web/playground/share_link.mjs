// A program carried whole in a link's fragment, "#code=" and the base64url
// form of its UTF-8 text compressed by raw deflate: the link is the program,
// stored nowhere, and the fragment never reaches the web server.

export const FRAGMENT_KEY = 'code';
// More than any program a student types; a link that unpacks to more is
// refused rather than filling the page's memory.
export const MAX_PROGRAM_BYTES = 1 << 20;

// Why a link's program could not be read, in words for the page.
export class ShareLinkError extends Error {}

async function pipe(bytes, transform, limit = Infinity) {
  const reader = new Blob([bytes]).stream().pipeThrough(transform).getReader();
  const chunks = [];
  let length = 0;
  for (;;) {
    const {value, done} = await reader.read();
    if (done) break;
    length += value.length;
    if (length > limit) {
      await reader.cancel().catch(() => {});
      throw new ShareLinkError(`the program it holds is larger than ${limit / 1024 / 1024} MB`);
    }
    chunks.push(value);
  }
  const whole = new Uint8Array(length);
  let at = 0;
  for (const chunk of chunks) {
    whole.set(chunk, at);
    at += chunk.length;
  }
  return whole;
}

function toBase64url(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) {
    throw new ShareLinkError('its code is not base64url text (was the link cut short or changed?)');
  }
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// The fragment's code for `program` (a string).
export async function encodeProgram(program) {
  return toBase64url(await pipe(new TextEncoder().encode(program), new CompressionStream('deflate-raw')));
}

// The program whose code is `code`; a ShareLinkError that says why not.
export async function decodeProgram(code) {
  const packed = fromBase64url(code);
  let bytes;
  try {
    bytes = await pipe(packed, new DecompressionStream('deflate-raw'), MAX_PROGRAM_BYTES);
  } catch (e) {
    if (e instanceof ShareLinkError) throw e;
    throw new ShareLinkError('its code does not unpack (was the link cut short or changed?)');
  }
  try {
    return new TextDecoder('utf-8', {fatal: true}).decode(bytes);
  } catch {
    throw new ShareLinkError('the program it holds is not UTF-8 text');
  }
}

// The code in a location's fragment ("#code=..."), or null when the fragment
// holds none.
export function codeOfFragment(hash) {
  const fields = new URLSearchParams(hash.replace(/^#/, ''));
  return fields.has(FRAGMENT_KEY) ? fields.get(FRAGMENT_KEY) : null;
}

// The address of the page at `pageUrl` with `code` as its fragment.
export function shareAddress(pageUrl, code) {
  const url = new URL(pageUrl);
  url.hash = `${FRAGMENT_KEY}=${code}`;
  return url.href;
}
