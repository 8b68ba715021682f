#!/usr/bin/python3
"""A published site, opened in headless Chromium.

Builds a project with the command-line tool (folders, documents, pictures with
thumbnails, web and mail links, a one-document folder, a hotspot folder with a
picture and areas), publishes it into a temporary directory and checks, in a
real browser, from file:// addresses:

  * choosing a sub-folder's radio button and pressing "Open Folder" loads its page;
  * a folder whose only entry is one document goes straight on to that document;
  * each area of the image map leads to its target (in a new window);
  * every picture of every page is shown;
  * documents whose names are URL syntax or markup (why?.txt, Q&A #1.txt,
    a "quoted" name.txt, <img src=x onerror=alert(1)>.txt) open from their links,
    and their names show as text;

and, with the tool's own link check, that every local href and src of every
page resolves to a file that exists.

Environment: FOLDCRAFT_CLI (the built foldcraft-cli), FOLDCRAFT_SOURCE_DIR.
Needs Debian's chromium, chromium-driver and python3-selenium.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

CLI = os.environ.get("FOLDCRAFT_CLI", "")
SOURCE_DIR = os.environ.get("FOLDCRAFT_SOURCE_DIR",
                            os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
PAGE_LOAD_TIMEOUT = 20   # seconds for one page
WAIT_TIMEOUT = 10        # seconds for a navigation or a new window
CLI_TIMEOUT = 60
ODD_NAMES = ("why?.txt", "Q&A #1.txt", 'a "quoted" name.txt', "<img src=x onerror=alert(1)>.txt")


def run_cli(*args, check=True):
    result = subprocess.run([CLI, *args], capture_output=True, text=True, timeout=CLI_TIMEOUT,
                            stdin=subprocess.DEVNULL)
    if check and result.returncode != 0:
        raise AssertionError("foldcraft-cli %s failed with %d\nstdout:\n%s\nstderr:\n%s"
                             % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result


# ---------------------------------------------------------------------------
# The project.


def item(name, link, comment="", size=0):
    return {
        "class": "CBuildTreeDoc", "m_strName": name, "m_strLink": link, "m_strComment": comment,
        "m_nFileSize": size, "m_timeFile": 0, "m_timePublish": 0, "m_bPurge": 0, "m_bVisible": 1,
    }


def folder(name, folders=(), docs=(), **fields):
    f = {
        "class": "CBuildTreeFolder", "m_strName": name, "m_strLink": "", "m_strComment": "",
        "m_timePublish": 0, "m_bPurge": 0, "m_bVisible": 1, "m_strLabel": "",
        "m_arrFolders": list(folders), "m_arrDocs": list(docs), "m_arrHotspots": [],
    }
    f.update(fields)
    return f


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def document_page(title):
    return "<html><head><title>%s</title></head><body><p id=\"doc\">%s</p></body></html>\n" % (title, title)


class Site:
    """The source files, the project and the published site in one temporary
    directory."""

    def __init__(self, root):
        self.root = root
        self.src = os.path.join(root, "source")
        self.site = os.path.join(root, "site")
        self.program = os.path.join(root, "program")
        self.project = os.path.join(root, "site.fcd")
        images = os.path.join(SOURCE_DIR, "resources", "support-images")

        docs = os.path.join(self.src, "docs")
        self.report = write(os.path.join(docs, "report.html"), document_page("Report"))
        self.plan = write(os.path.join(docs, "work", "plan.txt"), "The plan.\n")
        self.single = write(os.path.join(docs, "single.html"), document_page("Single document"))
        self.minutes = write(os.path.join(docs, "board", "minutes.html"), document_page("Minutes"))
        self.readme = write(os.path.join(self.src, "readme.txt"), "Read me.\n")
        pics = os.path.join(self.src, "pics")
        os.makedirs(pics, exist_ok=True)
        # Pictures: any GIF or JPEG will do, so the support images serve.
        self.photo = shutil.copy(os.path.join(images, "steel_btn.jpg"), os.path.join(pics, "photo.jpg"))
        self.icon = shutil.copy(os.path.join(images, "folder.gif"), os.path.join(pics, "Icon.GIF"))
        self.map = shutil.copy(os.path.join(images, "blue_btn.jpg"), os.path.join(pics, "map.jpg"))
        # Names that a browser would read as a query, a fragment, an attribute's end
        # or a tag if they went into the page as they stand.
        self.odd = {name: write(os.path.join(self.src, "odd", name), "This is %s.\n" % name)
                    for name in ODD_NAMES}

        web = "http://127.0.0.1:9/never-visited.html"
        mail = "mailto:someone@example.invalid"
        reports = folder("Reports", docs=[
            item("Report", self.report, "The yearly report", os.path.getsize(self.report)),
            item("Plan", self.plan, "Next steps", os.path.getsize(self.plan)),
            item("Photo", self.photo, "A photo with its own page"),
            item("Icon", self.icon, "Another picture"),
            item("Web site", web),
            item("Write to us", mail),
            # A web address that looks like a picture: it gets no picture page.
            item("Web picture", "http://127.0.0.1:9/picture.jpg"),
        ], m_nFileButtonStyle=0)
        single = folder("Single", docs=[item("Single", self.single)])
        # One document, but a label: no jump.
        inner = folder("Inner", docs=[item("Readme", self.readme)], m_strLabel="Inside the map")
        # A hotspot folder lists no rows, so its picture document gets no picture
        # page: the sitemap must link the picture itself.
        hotspots = folder("Map", folders=[inner],
                          docs=[item("Minutes", self.minutes), item("Map picture", self.map)],
                          m_bHotspotFolder=1, m_strHotspotImage=self.map)
        hotspots["m_arrHotspots"] = [
            {"class": "CHotspotArea", "m_nShape": 0, "m_arrCoords": [0, 0, 100, 50],
             "m_strLink": "Inner (Folder 1)"},
            {"class": "CHotspotArea", "m_nShape": 1, "m_arrCoords": [150, 0, 200, 50],
             "m_strLink": "Minutes (%s)" % self.minutes},
            {"class": "CHotspotArea", "m_nShape": 2, "m_arrCoords": [300, 0, 400, 0, 350, 50],
             "m_strLink": "Web site (%s)" % web},
        ]
        texts = folder("Texts", docs=[item("Plan", self.plan), item("Report", self.report)],
                       m_nFileButtonStyle=1)
        odd = folder("Odd names", docs=[item(name, path) for name, path in self.odd.items()])
        root = folder("Root", folders=[reports, single, hotspots, texts, odd],
                      docs=[item("Readme", self.readme, "Start here")],
                      m_nFolderButtonStyle=1, m_nFileButtonStyle=3, m_nFileButtonGraphic=1,
                      m_strLabel="Welcome")
        self.doc = {
            "m_bCreateTitlePage": 1, "m_bCreateSitemap": 1, "m_bShowRestartButton": 1,
            "m_nNavBarPosition": 0, "m_bShowFileSize": 1, "m_bShowFileDate": 1,
            "m_bUseThumbnails": 1, "m_strPublishPath": self.site, "m_pRoot": root,
        }

    def build(self):
        json_path = write(os.path.join(self.root, "site.json"), json.dumps(self.doc, indent=2))
        run_cli("from-json", json_path, "-o", self.project)
        run_cli("--program-folder", self.program, "publish", self.project, "--to", self.site, "--yes")


# ---------------------------------------------------------------------------


def resolve(site, address):
    path = urllib.parse.unquote(urllib.parse.urlsplit(address).path)
    return os.path.normpath(os.path.join(site, path))


def make_driver(profile_dir):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--window-size=1024,900", "--user-data-dir=" + profile_dir):
        options.add_argument(flag)
    service = Service(CHROMEDRIVER)
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_page_load_timeout(PAGE_LOAD_TIMEOUT)
    driver.set_script_timeout(PAGE_LOAD_TIMEOUT)
    return driver


def file_url(path):
    return "file://" + urllib.parse.quote(path)


def url_path(url):
    return urllib.parse.unquote(urllib.parse.urlsplit(url).path)


class SiteInBrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not CLI or not os.access(CLI, os.X_OK):
            raise unittest.SkipTest("FOLDCRAFT_CLI is not set to the built foldcraft-cli")
        cls.tmp = tempfile.mkdtemp(prefix="foldcraft-browser-")
        cls.s = Site(cls.tmp)
        cls.s.build()
        cls.driver = None
        try:
            cls.driver = make_driver(os.path.join(cls.tmp, "chromium-profile"))
        except Exception:
            shutil.rmtree(cls.tmp, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "driver", None) is not None:
            cls.driver.quit()
        if getattr(cls, "tmp", None):
            shutil.rmtree(cls.tmp, ignore_errors=True)

    # --- helpers -------------------------------------------------------------

    def open_page(self, name):
        self.driver.get(file_url(os.path.join(self.s.site, name)))

    def wait_for(self, condition, what):
        deadline = time.monotonic() + WAIT_TIMEOUT
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.05)
        self.fail("timed out waiting for " + what + " (at " + self.driver.current_url + ")")

    def wait_for_path(self, expected):
        self.wait_for(lambda: url_path(self.driver.current_url) == expected
                      and self.driver.execute_script("return document.readyState") == "complete",
                      "the page " + expected)

    def site_path(self, address):
        return resolve(self.s.site, address)

    def pages(self):
        return sorted(n for n in os.listdir(self.s.site) if n.endswith(".html"))

    # --- the published files -------------------------------------------------

    def test_expected_pages_exist(self):
        for name in ("TitlePage.html", "Sitemap.html", "Folder0.html", "Folder0-0.html",
                     "Folder0-1.html", "Folder0-2.html", "Folder0-2-0.html", "Folder0-3.html",
                     "photo.jpg.html", "Icon.GIF.html", "styles.css"):
            self.assertTrue(os.path.isfile(os.path.join(self.s.site, name)), name)

    def test_every_local_href_and_src_resolves(self):
        result = run_cli("check", self.s.site, check=False)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertGreater(int(re.search(r" (\d+) local links", result.stdout).group(1)), 40)
        # The stylesheet's own pictures (a background image) resolve too.
        with open(os.path.join(self.s.site, "styles.css"), encoding="utf-8", errors="replace") as f:
            for address in re.findall(r"url\(([^)]*)\)", f.read()):
                self.assertTrue(os.path.isfile(self.site_path(address.strip("'\""))), address)

    # --- in the browser ------------------------------------------------------

    def test_every_picture_is_shown(self):
        for name in self.pages():
            with self.subTest(page=name):
                self.open_page(name)
                broken = self.driver.execute_script(
                    "return Array.from(document.images)"
                    ".filter(i => !i.complete || i.naturalWidth === 0).map(i => i.src);")
                self.assertEqual(broken, [])

    def test_open_folder_button_loads_the_chosen_folder(self):
        from selenium.webdriver.common.by import By

        self.open_page("Folder0.html")
        radios = self.driver.find_elements(By.CSS_SELECTOR, "input[type=radio][name=fldrradio]")
        self.assertEqual(len(radios), 5)
        # Choose the fourth sub-folder, then the first: the last choice counts.
        radios[3].click()
        radios[0].click()
        self.driver.find_element(By.CSS_SELECTOR, "input[name=btnFolders]").click()
        self.wait_for_path(os.path.join(self.s.site, "Folder0-0.html"))
        self.assertEqual(self.driver.title, "Reports")

        # Open Folder on the fourth one; its page lists its document by radio button,
        # and "Open Document" opens it in the same window.
        self.open_page("Folder0.html")
        self.driver.find_elements(By.CSS_SELECTOR, "input[name=fldrradio]")[3].click()
        self.driver.find_element(By.CSS_SELECTOR, "input[name=btnFolders]").click()
        self.wait_for_path(os.path.join(self.s.site, "Folder0-3.html"))
        self.driver.find_element(By.CSS_SELECTOR, "input[name=docradio]").click()
        self.driver.find_element(By.CSS_SELECTOR, "input[name=btnFiles]").click()
        self.wait_for_path(self.site_path("files/" + self.s.plan.lstrip("/")))

    def test_one_document_folder_jumps_to_its_document(self):
        from selenium.webdriver.common.by import By

        single = self.site_path("files/" + self.s.single.lstrip("/"))
        self.open_page("Folder0-1.html")
        self.wait_for_path(single)
        self.assertEqual(self.driver.find_element(By.ID, "doc").text, "Single document")

        # Reached from the parent's Open Folder button, it jumps as well.
        self.open_page("Folder0.html")
        self.driver.find_elements(By.CSS_SELECTOR, "input[name=fldrradio]")[1].click()
        self.driver.find_element(By.CSS_SELECTOR, "input[name=btnFolders]").click()
        self.wait_for_path(single)

    def test_image_map_areas_lead_to_their_targets(self):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By

        self.open_page("Folder0-2.html")
        areas = self.driver.find_elements(By.CSS_SELECTOR, "map[name=Map] area")
        self.assertEqual([a.get_attribute("shape") for a in areas], ["rect", "circle", "poly"])
        picture = self.driver.find_element(By.CSS_SELECTOR, "img[usemap='#Map']")
        self.assertGreater(self.driver.execute_script("return arguments[0].naturalWidth", picture), 0)

        expected = [
            (os.path.join(self.s.site, "Folder0-2-0.html"), (50, 25), "Inner"),
            (self.site_path("files/" + self.s.minutes.lstrip("/")), (175, 25), "Minutes"),
        ]
        # The third area is a web link: its address is checked, not visited.
        self.assertEqual(areas[2].get_attribute("href"), "http://127.0.0.1:9/never-visited.html")
        self.assertEqual(areas[2].get_attribute("target"), "_blank")

        home = self.driver.current_window_handle
        for target, (x, y), title in expected:
            with self.subTest(target=target):
                before = set(self.driver.window_handles)
                # Click the picture at a point inside the area, as a visitor would.
                size = picture.size
                ActionChains(self.driver).move_to_element_with_offset(
                    picture, x - size["width"] // 2, y - size["height"] // 2).click().perform()
                new = self.wait_for(lambda: set(self.driver.window_handles) - before,
                                    "a new window for " + target)
                self.driver.switch_to.window(new.pop())
                try:
                    self.wait_for_path(target)
                    self.assertEqual(self.driver.title, title)
                finally:
                    self.driver.close()
                    self.driver.switch_to.window(home)

    def test_picture_row_leads_to_its_picture_page(self):
        from selenium.webdriver.common.by import By

        self.open_page("Folder0-0.html")
        link = self.driver.find_element(By.LINK_TEXT, "Photo")
        self.assertEqual(link.get_attribute("target"), "_blank")
        self.driver.get(link.get_attribute("href"))
        self.wait_for_path(os.path.join(self.s.site, "photo.jpg.html"))
        img = self.driver.find_element(By.TAG_NAME, "img")
        self.assertGreater(self.driver.execute_script("return arguments[0].naturalWidth", img), 0)
        self.assertIn("A photo with its own page", self.driver.page_source)

    def test_documents_with_odd_names_open_from_their_links(self):
        from selenium.webdriver.common.by import By

        for page in ("Folder0-4.html", "Sitemap.html"):
            for name, path in self.s.odd.items():
                with self.subTest(page=page, name=name):
                    self.open_page(page)
                    # The name is the link's text, not markup: no picture, no script ran.
                    links = [a for a in self.driver.find_elements(By.TAG_NAME, "a") if a.text == name]
                    self.assertEqual(len(links), 1)
                    self.assertEqual(self.driver.execute_script(
                        "return document.querySelectorAll('img[src=x], [onerror]').length"), 0)
                    self.driver.get(links[0].get_attribute("href"))
                    self.wait_for_path(os.path.join(self.s.site, "files", path.lstrip("/")))
                    self.assertEqual(self.driver.find_element(By.TAG_NAME, "body").text,
                                     "This is %s." % name)

    def test_sitemap_and_title_page_lead_into_the_site(self):
        from selenium.webdriver.common.by import By

        self.open_page("TitlePage.html")
        self.driver.find_element(By.LINK_TEXT, "Click Here To Proceed").click()
        self.wait_for_path(os.path.join(self.s.site, "Folder0.html"))
        self.open_page("Sitemap.html")
        self.driver.find_element(By.LINK_TEXT, "Inner").click()
        self.wait_for_path(os.path.join(self.s.site, "Folder0-2-0.html"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
