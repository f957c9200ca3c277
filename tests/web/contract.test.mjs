// The backend contract suite (tests/contract/) on the web backend: the
// suite's program as a page, one page a case, as each case runs in a
// process of its own elsewhere. The program's GoogleTest output is the
// page's console.
import {test} from 'node:test';
import assert from 'node:assert/strict';
import {withBrowser, openPage, poll} from './web_lib.mjs';

const browser = withBrowser(process.env.DRAXO_WEB_PAGES);
const pageOf = (args) =>
  browser.server.url + 'contract_test_web/index.html?' + args.map((a) => 'arg=' + encodeURIComponent(a)).join('&');

// What the page's program printed, once the page says it has ended (or stopped).
async function runToEnd(args) {
  const page = await openPage(browser.chrome.browser, pageOf(args));
  try {
    const note = await poll(`the end of the suite's page with ${args.join(' ')}`, () =>
      page.evaluate(() => document.querySelector('.draxo-ended')?.textContent), 60000);
    return {note, log: page.log.slice()};
  } finally {
    await page.close();
  }
}

test('every case of the contract suite passes on the web backend, each on a page of its own', async (t) => {
  const {log: listing} = await runToEnd(['--gtest_list_tests']);
  const cases = listing.filter((l) => /^ {2}\S/.test(l)).map((l) => 'Contract.' + l.trim());
  assert.ok(cases.length >= 8, `too few cases listed: ${cases.join(', ')}`);
  for (const name of cases) {
    await t.test(name, async (c) => {
      const {note, log} = await runToEnd(['--gtest_filter=' + name]);
      const said = (pattern) => log.some((l) => pattern.test(l));
      if (said(/^\[ {2}SKIPPED \] 1 test/)) return c.skip(log.find((l) => /Skipped/.test(l)) || 'skipped');
      assert.ok(said(/^\[ {2}PASSED {2}\] 1 test/), `${note}\n${log.join('\n')}`);
    });
  }
});
