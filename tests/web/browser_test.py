#!/usr/bin/env python3
"""vesk-web in a real browser: headless chromium driven by selenium on loopback.

A department head's account made with `vesk web user add` signs in, sees the department's totals
(equal to `vesk summary` for that scope), finds a row in the history, downloads the workbook and
opens it, sees a hostile document name as text, is refused another department's URL and signs
out. Skips (exit 77) only when chromium cannot start, and says why.

usage: browser_test.py VESK_WEB VESK VESK_INITDB LANG_DIR
"""
import datetime
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

SKIP = 77


class Failed(Exception):
    pass


def check(holds, what=''):
    # Not assert: PYTHONOPTIMIZE removes asserts, and the test would pass without checking.
    if not holds:
        raise Failed(what)


def main():
    web, vesk, initdb, lang = sys.argv[1:5]
    try:
        from selenium import webdriver
        from selenium.common.exceptions import NoAlertPresentException, WebDriverException
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support import expected_conditions
        from selenium.webdriver.support.ui import WebDriverWait
    except ImportError as e:
        print(f'SKIP: python3-selenium is missing ({e})')
        return SKIP
    app = tempfile.mkdtemp(prefix='vesk-web-browser-')
    downloads = os.path.join(app, 'downloads')
    os.mkdir(downloads)
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
    server = None
    driver = None
    try:
        for name in ('English.ini', 'Chinese.ini'):
            shutil.copy(os.path.join(lang, name), app)
        with open(os.path.join(app, 'Config.ini'), 'w') as f:
            f.write('[Connection]\nConstr=Provider=SQLite;Data Source=vesk.db\n[Font]\nCharset=0\n'
                    '[Language]\nFileName=English.ini\n[Web]\nListen=127.0.0.1:0\n')
        subprocess.run([initdb, app], check=True, env=env, stdout=subprocess.DEVNULL)
        now = datetime.datetime.now().strftime('%Y-%m-%d %H:%M:%S')
        db = sqlite3.connect(os.path.join(app, 'vesk.db'))
        db.executemany('insert into tDept (Name, SuperName) values (?, ?)',
                       [('Finance', '-1'), ('Payroll', 'Finance'), ('Sales', '-1')])
        rows = [('FinPrinter', 'budget.xlsx', 'FIN-PC', 3, 'Alice', 'Finance'),
                ('FinPrinter', '<script>alert(1)</script>', 'FIN-PC', 2, 'Alice', 'Finance'),
                ('PayPrinter', 'slips.pdf', 'PAY-PC', 7, 'Bob', 'Payroll'),
                ('SalesPrinter', 'sales-secret.docx', 'SALES-PC', 500, 'Carol', 'Sales')]
        db.executemany('insert into tPrinterData (PrinterName, documentName, hostName, '
                       'TotalPageCount, PrintTime, EmName, DeptName, JobOutcome, PagesPrinted) '
                       'values (?, ?, ?, ?, ?, ?, ?, 1, ?)',
                       [(p, d, h, n, now, e, dept, n) for p, d, h, n, e, dept in rows])
        db.commit()
        db.close()
        password = 'browser test pw'
        subprocess.run([vesk, '--app', app, 'web', 'user', 'add', 'head', '--dept', 'Finance'],
                       input=(password + '\n').encode(), check=True, env=env)
        summary = subprocess.run([vesk, '--app', app, 'summary', '--csv', '--dept', 'Payroll'],
                                 check=True, env=env, capture_output=True).stdout.decode('utf-8-sig')
        payroll = [l.split(',') for l in summary.splitlines() if ',Payroll,' in l][0]

        server = subprocess.Popen([web, '--app-dir', app], env=env, stderr=subprocess.PIPE)
        port = None
        deadline = time.time() + 60
        while port is None and time.time() < deadline:
            line = server.stderr.readline().decode()
            m = re.search(r'listening on http://127\.0\.0\.1:(\d+)', line)
            port = int(m.group(1)) if m else None
            if not line and server.poll() is not None:
                break
        check(port, 'vesk-web did not start')
        base = f'http://127.0.0.1:{port}'

        options = webdriver.ChromeOptions()
        for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                    f'--user-data-dir={os.path.join(app, "chromium")}'):
            options.add_argument(arg)
        options.add_experimental_option('prefs', {'download.default_directory': downloads,
                                                  'download.prompt_for_download': False})
        options.binary_location = '/usr/bin/chromium'
        try:
            driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        except WebDriverException as e:
            print(f'SKIP: chromium cannot start: {e.msg}')
            return SKIP
        driver.set_page_load_timeout(60)

        def arrives(path):
            # A click or a submit returns before the next page is there: wait for its address.
            WebDriverWait(driver, 60).until(expected_conditions.url_contains(base + path))

        driver.get(base + '/overview')
        check(driver.current_url.endswith('/signin'), driver.current_url)
        driver.find_element(By.NAME, 'name').send_keys('head')
        driver.find_element(By.NAME, 'password').send_keys(password)
        driver.find_element(By.CSS_SELECTOR, 'form button').click()
        arrives('/overview')
        figures = driver.find_element(By.CLASS_NAME, 'figures').text
        check('Pages\n12' in figures, figures)  # Finance and Payroll: 3 + 2 + 7
        driver.get(base + '/overview?dept=Payroll')
        figures = driver.find_element(By.CLASS_NAME, 'figures').text
        check(f'Pages\n{payroll[2]}' in figures and f'Jobs\n{payroll[3]}' in figures,
              (figures, payroll))
        check('SALES-PC' not in driver.page_source)

        driver.get(base + '/history')
        box = driver.find_element(By.NAME, 'computer')
        box.send_keys('PAY')
        box.submit()
        arrives('/history?')
        table = driver.find_element(By.TAG_NAME, 'table').text
        check('slips.pdf' in table and 'budget.xlsx' not in table, table)

        driver.get(base + '/history?computer=FIN')
        check('<script>alert(1)</script>' in driver.find_element(By.TAG_NAME, 'table').text)
        try:
            driver.switch_to.alert
            check(False, 'a stored document name ran as script')
        except NoAlertPresentException:
            pass

        driver.get(base + '/download/history.xlsx')
        book = os.path.join(downloads, 'vesk-history.xlsx')
        deadline = time.time() + 60
        while not os.path.exists(book) and time.time() < deadline:
            time.sleep(0.2)
        import openpyxl
        sheet = openpyxl.load_workbook(book).active
        cells = {str(c.value) for row in sheet.iter_rows() for c in row}
        check('FIN-PC' in cells and 'SALES-PC' not in cells, cells)

        driver.get(base + '/history?dept=Sales')
        check('403' in driver.find_element(By.TAG_NAME, 'h1').text)
        check('SALES-PC' not in driver.page_source)

        driver.get(base + '/overview')
        driver.find_element(By.CSS_SELECTOR, 'header form button').click()
        arrives('/signin')
        driver.get(base + '/history')
        check(driver.current_url.endswith('/signin'), driver.current_url)
        print('browser test passed')
        return 0
    finally:
        if driver:
            driver.quit()
        if server:
            server.terminate()
            server.wait(30)
        shutil.rmtree(app, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
