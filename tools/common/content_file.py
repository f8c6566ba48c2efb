"""Writing a generated table into content/, or checking that the committed one is
what its generator makes now."""

import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def write_or_check(relative_path, source, generator, check):
    """With check, 1 when content/<file> differs from source (with a line saying
    so), else 0; without, writes source there. The exit code of the generator."""
    target = os.path.join(ROOT, relative_path)
    if check:
        with open(target) as committed:
            if committed.read() != source:
                print("%s differs from what %s makes" % (relative_path, generator))
                return 1
        return 0
    with open(target, "w") as out:
        out.write(source)
    return 0
