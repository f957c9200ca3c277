// An assignment the playground is opened on (?assignment=FOLDER/, a folder
// of the same site that draxo-run --make-assignment made, runner/
// assignment.h), and the check of a student's program against it by
// draxo-run's rules: the same settings in the program's environment, its
// arguments, its time limit; the verdict is check.mjs's.

// Why an assignment folder cannot be used; the message says why, reason
// first.
export class AssignmentError extends Error {}

const FORMAT = 'draxo-assignment';
const VERSION = 1;
// The run file the package keeps in the program's folder during a check.
export const RUN_FILE = 'draxo.run';

// The folder named by the page's address (`search`, location.search) as an
// absolute URL ending in '/', relative to the page; null when none is named.
export function assignmentFolder(search, pageUrl) {
  const named = new URLSearchParams(search).get('assignment');
  if (named === null || named.trim() === '') return null;
  const url = new URL(named, pageUrl);
  if (!url.pathname.endsWith('/')) url.pathname += '/';
  url.search = url.hash = '';
  return url.href;
}

// A file's name inside the folder: a plain name, never a way out of it.
function plainName(value, field) {
  if (typeof value != 'string' || value === '' || /[/\\]/.test(value) || value === '.' || value === '..')
    throw new AssignmentError(`its ${field} is not the name of a file in the folder`);
  return value;
}

function seconds(value, field) {
  if (typeof value != 'number' || !Number.isFinite(value) || value < 0 || value > 86400)
    throw new AssignmentError(`its ${field} is not a number of seconds from 0 to a day`);
  return value;
}

// assignment.json's facts, checked: refuses another format, a version this
// page does not know, and any field of the wrong kind.
export function readAssignmentJson(text) {
  let json;
  try {
    json = JSON.parse(text);
  } catch (e) {
    throw new AssignmentError(`its assignment.json is not JSON (${e.message})`);
  }
  if (!json || typeof json != 'object' || json.format !== FORMAT)
    throw new AssignmentError('its assignment.json is no DRAXO assignment');
  if (json.version !== VERSION)
    throw new AssignmentError(`its assignment.json is of version ${json.version}, which this playground does not know`);
  if (typeof json.title != 'string') throw new AssignmentError('its title is not text');
  if (!Array.isArray(json.arguments) || json.arguments.some((a) => typeof a != 'string'))
    throw new AssignmentError('its arguments are not a list of texts');
  if (!Number.isInteger(json.expectedStatus)) throw new AssignmentError('its expected status is not a whole number');
  if (!Number.isInteger(json.seed) || json.seed < 0 || json.seed > 0xffffffff)
    throw new AssignmentError('its seed is not a whole number from 0 to 4294967295');
  return {
    title: json.title,
    script: plainName(json.script, 'script'),
    reference: plainName(json.reference, 'reference picture'),
    starter: json.starter === null ? null : plainName(json.starter, 'starter'),
    arguments: json.arguments,
    expectedStatus: json.expectedStatus,
    timeoutSeconds: seconds(json.timeoutSeconds, 'timeout'),
    graceSeconds: seconds(json.graceSeconds, 'grace time'),
    seed: json.seed,
  };
}

// Each file fetched afresh (the service worker keeps it only for offline
// use): a teacher may publish the assignment again.
async function fetchFile(folder, name, fetcher) {
  let response;
  try {
    response = await fetcher(new URL(name, folder).href, {cache: 'no-cache'});
  } catch (e) {
    throw new AssignmentError(`its ${name} could not be fetched (${e.message})`);
  }
  if (!response.ok) throw new AssignmentError(`it has no ${name} (${response.status} ${response.statusText})`.trim());
  return new Uint8Array(await response.arrayBuffer());
}

// Fetches the assignment of `folder` (assignmentFolder's URL): its facts,
// the script's bytes, the reference picture (decoded by `decodePng`, so
// that a damaged one is found now, not at the first check) and the
// starter's text (null when it has none). Rejects with an AssignmentError.
export async function loadAssignment(folder, {decodePng, fetcher = fetch}) {
  const facts = readAssignmentJson(new TextDecoder().decode(await fetchFile(folder, 'assignment.json', fetcher)));
  const script = await fetchFile(folder, facts.script, fetcher);
  let reference;
  try {
    reference = await decodePng(await fetchFile(folder, facts.reference, fetcher));
  } catch (e) {
    if (e instanceof AssignmentError) throw e;
    throw new AssignmentError(`its ${facts.reference} cannot be read: ${e.message}`);
  }
  const starter = facts.starter === null ? null
    : new TextDecoder().decode(await fetchFile(folder, facts.starter, fetcher));
  return {...facts, folder, scriptBytes: script, referencePicture: reference, starterText: starter};
}

// The environment draxo-run gives a program (runner/main.cpp), for a
// program whose folder is `home`: no screen, the script as its input, the
// grace time and seed of the assignment; the run file in place of
// draxo-run's report, which the browser has no pipe for.
export function checkEnvironment(assignment, home) {
  return {
    DRAXO_HEADLESS: '1',
    DRAXO_SCRIPT: `${home}/${assignment.script}`,
    DRAXO_RUN_FILE: `${home}/${RUN_FILE}`,
    DRAXO_GRACE: String(assignment.graceSeconds),
    DRAXO_SEED: String(assignment.seed),
  };
}
