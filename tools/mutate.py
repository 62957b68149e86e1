#!/usr/bin/env python3
"""Mutation run: applies each mutant of tools/mutants.txt to a private copy of the
sources, rebuilds only the test executables that cover the mutated folder, runs them
and records whether the suite kills the mutant.

    tools/mutate.py [--rev REV] [--only 3,17,...] [--results FILE] [--list FILE] [--work DIR]

The copy of REV (default HEAD) lives in DIR/tree (default build-mutate/tree) and is
built in DIR/build with its own Wine prefix, so the normal build is never touched.
--only runs the given mutants in the given order.
A mutant line is: file, anchor, original, replacement (tab-separated), and optionally
a comma-separated list of test executables that replaces the folder's default. The
anchor is text that occurs exactly once in the file; the original is replaced at its
first occurrence inside the anchor; a replacement of <none> deletes it. A mutant
whose anchor is missing or ambiguous is reported as stale; one whose anchor left its file
for exactly one other file under src/ is applied there and reported as moved.
Statuses: killed (a test failed or timed out), survived, build-failed, stale."""
import argparse, io, os, shutil, signal, subprocess, sys, tarfile, time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Cheapest and closest first; the run of a mutant stops at the first failing executable.
TESTS_OF_FOLDER = {
    'model': ['model_tests', 'ops_tests'],
    'ops': ['ops_tests', 'editor_commands_tests'],
    'canvas': ['canvas_tests', 'editor_tests'],
    'editor': ['editor_commands_tests', 'editor_tests', 'e2e_tests'],
    'dialogs': ['dialogs_tests', 'settings_tests', 'editor_commands_tests'],
    'host': ['host_tests', 'canvas_tests', 'plugin_tests'],
    'plugin': ['plugin_tests', 'e2e_tests'],
    'platform': ['settings_tests', 'dialogs_tests', 'editor_tests', 'plugin_tests'],
}
TEST_TIMEOUT = 300


def read_mutants(path):
    mutants = []
    for number, line in enumerate(open(path, encoding='utf-8'), 1):
        line = line.rstrip('\n')
        if not line.strip() or line.lstrip().startswith('#'):
            continue
        cols = line.split('\t')
        if len(cols) not in (4, 5):
            sys.exit('%s:%d: expected 4 or 5 tab-separated columns' % (path, number))
        file, anchor, original, replacement = cols[:4]
        tests = cols[4].split(',') if len(cols) == 5 else None
        mutants.append(dict(id=len(mutants) + 1, line=number, file=file, anchor=anchor,
                            original=original, replacement='' if replacement == '<none>' else replacement,
                            tests=tests))
    return mutants


def export_tree(rev, tree):
    """Writes REV's files into tree, rewriting only changed files (keeps the build incremental)."""
    data = subprocess.check_output(['git', '-C', HERE, 'archive', '--format=tar', rev])
    wanted = set()
    with tarfile.open(fileobj=io.BytesIO(data)) as archive:
        for member in archive.getmembers():
            if not member.isfile():
                continue
            wanted.add(member.name)
            target = os.path.join(tree, member.name)
            content = archive.extractfile(member).read()
            if os.path.exists(target) and open(target, 'rb').read() == content:
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, 'wb') as f:
                f.write(content)
            os.chmod(target, member.mode)
    for root, _, files in os.walk(tree):
        for name in files:
            path = os.path.join(root, name)
            if os.path.relpath(path, tree) not in wanted:
                os.remove(path)


def relocate(tree, m):
    """The one other src/ file that holds the anchor once, when it left its own file."""
    found = []
    for root, _, files in os.walk(os.path.join(tree, 'src')):
        for name in files:
            path = os.path.join(root, name)
            if open(path, encoding='utf-8', errors='replace').read().count(m['anchor']) == 1:
                found.append(os.path.relpath(path, tree))
    return found[0] if len(found) == 1 else None


def mutated_text(text, m):
    """The file's text with the mutant applied, or (None, reason) when it is stale."""
    count = text.count(m['anchor'])
    if count != 1:
        return None, 'anchor found %d times' % count
    at = text.index(m['anchor'])
    inner = m['anchor'].find(m['original'])
    if inner < 0:
        return None, 'original not in anchor'
    start = at + inner
    return text[:start] + m['replacement'] + text[start + len(m['original']):], ''


class Bed:
    def __init__(self, work):
        self.tree = os.path.join(work, 'tree')
        self.build = os.path.join(work, 'build')
        # A killed mutant needs only its first failure.
        self.env = dict(os.environ, TEXLOOM_BUILD_DIR=self.build, GTEST_FAIL_FAST='1')

    def run(self, args, timeout=None, **kw):
        proc = subprocess.Popen(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                start_new_session=True, text=True, errors='replace', **kw)
        try:
            out, _ = proc.communicate(timeout=timeout)
            return proc.returncode, out
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.communicate()
            self.wine(['wineserver', '-k'])  # our own prefix only
            return None, 'timeout'

    def wine(self, args):
        env = dict(self.env, WINEPREFIX=os.path.join(self.build, 'winebed', 'prefix'))
        subprocess.run(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def configure(self):
        rc, out = self.run(['cmake', '-S', self.tree, '-B', self.build, '-DCMAKE_TOOLCHAIN_FILE=' +
                            os.path.join(self.tree, 'cmake', 'mingw-w64-x86_64.cmake')])
        if rc != 0:
            sys.exit('configure failed:\n' + out[-3000:])

    def make(self, target):
        rc, out = self.run(['cmake', '--build', self.build, '--target', target, '-j2'])
        return rc == 0, out

    def test(self, name):
        """True when the executable's test passes."""
        rc, out = self.run(['ctest', '--test-dir', self.build, '-R', '^%s$' % name, '-FA', 'winebed',
                            '--output-on-failure'], timeout=TEST_TIMEOUT)
        if rc is None:
            return False, 'timeout'
        if 'No tests were found' in out:
            sys.exit('no test named ' + name)
        return rc == 0, out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rev', default='HEAD')
    parser.add_argument('--only', help='comma-separated mutant ids')
    parser.add_argument('--list', default=os.path.join(HERE, 'tools', 'mutants.txt'))
    parser.add_argument('--results', default=os.path.join(HERE, 'build-mutate', 'results.tsv'))
    parser.add_argument('--work', default=os.path.join(HERE, 'build-mutate'))
    args = parser.parse_args()

    mutants = read_mutants(args.list)
    if args.only:
        byId = {m['id']: m for m in mutants}
        mutants = [byId[int(x)] for x in args.only.split(',')]
    bed = Bed(os.path.abspath(args.work))
    os.makedirs(bed.tree, exist_ok=True)
    export_tree(args.rev, bed.tree)
    bed.configure()
    subprocess.run([os.path.join(bed.tree, 'tools', 'winebed'), 'start'], env=bed.env, check=True)

    # A mutant whose anchor moved to another folder runs that folder's tests.
    for m in mutants:
        moved = not os.path.exists(os.path.join(bed.tree, m['file'])) or \
            open(os.path.join(bed.tree, m['file']), encoding='utf-8').read().count(m['anchor']) == 0
        m['where'] = (relocate(bed.tree, m) if moved else None) or m['file']

    def tests_of(m):
        return m['tests'] or TESTS_OF_FOLDER.get(m['where'].split('/')[1], [])

    # The unmutated suite must pass, or a failure would count as a kill.
    for name in sorted({t for m in mutants for t in tests_of(m)}):
        built, out = bed.make(name)
        passed, out = bed.test(name) if built else (False, out)
        if not passed:
            sys.exit('baseline %s fails; fix it first:\n%s' % (name, out[-3000:]))

    os.makedirs(os.path.dirname(os.path.abspath(args.results)), exist_ok=True)
    counts = {}
    with open(args.results, 'w') as results:
        results.write('# rev %s\n# id\tstatus\tby\tfile\tanchor\n' % subprocess.check_output(
            ['git', '-C', HERE, 'rev-parse', '--short', args.rev], text=True).strip())
        for m in mutants:
            where = m['where']
            note = ' moved to ' + where if where != m['file'] else ''
            path = os.path.join(bed.tree, where)
            original = open(path, encoding='utf-8').read() if os.path.exists(path) else ''
            text, reason = mutated_text(original, m) if original else (None, 'file missing')
            status, by = 'stale', reason
            if text is not None:
                started = time.time()
                with open(path, 'w', encoding='utf-8') as f:
                    f.write(text)
                try:
                    status, by = 'survived', ''
                    for name in tests_of(m):
                        built, _ = bed.make(name)
                        if not built:
                            status, by = 'build-failed', name
                            break
                        passed, _ = bed.test(name)
                        if not passed:
                            status, by = 'killed', name
                            break
                finally:
                    with open(path, 'w', encoding='utf-8') as f:
                        f.write(original)
                by += ' (%.0fs)%s' % (time.time() - started, note)
            counts[status] = counts.get(status, 0) + 1
            line = '%d\t%s\t%s\t%s\t%s' % (m['id'], status, by, m['file'], m['anchor'])
            print(line, flush=True)
            results.write(line + '\n')
            results.flush()
        summary = ' '.join('%s %d' % kv for kv in sorted(counts.items()))
        results.write('# %s of %d\n' % (summary, len(mutants)))
    print(summary, 'of', len(mutants))
    subprocess.run([os.path.join(bed.tree, 'tools', 'winebed'), 'stop'], env=bed.env)


if __name__ == '__main__':
    main()
