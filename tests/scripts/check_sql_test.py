"""scripts/check-sql against small source trees: what it must catch and what it must let pass."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "check-sql"

CAUGHT = {
    "value pasted after": 'q.exec(QStringLiteral("SELECT * FROM artikli WHERE sifra=\'") + sifra + "\'");',
    "value through arg": 'db.exec(QStringLiteral("DELETE FROM stost WHERE brstola=%1").arg(sto));',
    "number pasted": 'QString s = "UPDATE racuni SET status=1 WHERE broj=" + QString::number(n);',
    "literal over two lines": 'auto s = QStringLiteral("SELECT a FROM b "\n    "WHERE c=") + x;',
    "value before the text": 'auto s = filter + QStringLiteral(" ORDER BY rbr");',
    "condition pasted": 'auto s = QStringLiteral("SELECT a FROM b WHERE %1").arg(cond ? name : other);',
}
PASSED = {
    "bound value": 'db.exec(QStringLiteral("SELECT * FROM artikli WHERE sifra=:s"), {{"s", sifra}});',
    "message text": 'prompt(art->naziv + QStringLiteral(" ; CENA=") + priceText);',
    "fixed choice": 'auto s = QStringLiteral("SELECT a FROM b ORDER BY %1").arg(q ? QStringLiteral("3") : QStringLiteral("4"));',
    "comment": '// "SELECT x FROM y WHERE z=" + value was the old way',
    "literal joined": 'auto s = QStringLiteral("SELECT a FROM b ") + QStringLiteral("WHERE c=:c");',
}


def run(code):
    with tempfile.TemporaryDirectory() as d:
        f = Path(d) / "src" / "data" / "x.cpp"
        f.parent.mkdir(parents=True)
        f.write_text("void f() {\n" + code + "\n}\n")
        return subprocess.run([sys.executable, str(SCRIPT), d], capture_output=True, text=True)


class CheckSql(unittest.TestCase):
    def test_caught(self):
        for what, code in CAUGHT.items():
            with self.subTest(what):
                r = run(code)
                self.assertEqual(r.returncode, 1, r.stdout)
                self.assertIn("src/data/x.cpp:2", r.stdout)

    def test_passed(self):
        for what, code in PASSED.items():
            with self.subTest(what):
                r = run(code)
                self.assertEqual(r.returncode, 0, r.stdout)


if __name__ == "__main__":
    unittest.main()
