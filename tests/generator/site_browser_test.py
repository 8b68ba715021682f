#!/usr/bin/python3
"""A published site in headless Chromium (file:// addresses): the radio buttons,
the jump of a one-document folder, the image map, every picture, and documents
whose names are URL syntax or markup. Needs FOLDCRAFT_CLI (the built foldcraft-cli)
and Debian's chromium, chromium-driver and python3-selenium."""

import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest
import urllib.parse

CLI = os.environ.get("FOLDCRAFT_CLI", "")
SOURCE_DIR = os.environ.get("FOLDCRAFT_SOURCE_DIR",
                            os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
PATIENCE = 60  # seconds for a page, a navigation, a new window or a run of the tool
# "a\\b.txt" is one file: a backslash is part of a POSIX file name.
ODD_NAMES = ("why?.txt", "Q&A #1.txt", 'a "quoted" name.txt', "<img src=x onerror=alert(1)>.txt",
             "a\\b.txt")


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def item(name, link):
    return {"class": "CBuildTreeDoc", "m_strName": name, "m_strLink": link, "m_timePublish": 0,
            "m_bVisible": 1}


def folder(name, folders=(), docs=(), **fields):
    return dict({"class": "CBuildTreeFolder", "m_strName": name, "m_timePublish": 0,
                 "m_bVisible": 1, "m_arrFolders": list(folders), "m_arrDocs": list(docs)}, **fields)


def publish(root):
    """Publishes the project into root/site; returns the source files by name."""
    src = {name: write(os.path.join(root, "source", name), "This is %s.\n" % name)
           for name in ("report.html", "single.html", "minutes.html") + ODD_NAMES}
    for picture in ("photo.jpg", "map.jpg"):  # any JPEG will do
        src[picture] = shutil.copy(os.path.join(SOURCE_DIR, "resources", "support-images",
                                                "steel_btn.jpg"), os.path.join(root, picture))
    web = "http://127.0.0.1:9/never-visited.html"
    areas = [(0, [0, 0, 100, 50], "Inner (Folder 1)"),
             (1, [150, 0, 200, 50], "Minutes (%s)" % src["minutes.html"]),
             (2, [300, 0, 400, 0, 350, 50], "Web site (%s)" % web)]
    hotspots = folder("Map", [folder("Inner", m_strLabel="Inside the map")],
                      [item("Minutes", src["minutes.html"])], m_bHotspotFolder=1,
                      m_strHotspotImage=src["map.jpg"],
                      m_arrHotspots=[{"class": "CHotspotArea", "m_nShape": shape, "m_arrCoords": c,
                                      "m_strLink": link} for shape, c, link in areas])
    root_folder = folder("Root", [
        folder("Reports", docs=[item("Report", src["report.html"]), item("Photo", src["photo.jpg"])],
               m_nFileButtonStyle=1),
        folder("Single", docs=[item("Single", src["single.html"])]),
        hotspots,
        folder("Odd names", docs=[item(name, src[name]) for name in ODD_NAMES]),
    ], m_nFolderButtonStyle=1)
    project = {"m_bUseThumbnails": 1, "m_pRoot": root_folder}
    for args in (["from-json", write(os.path.join(root, "site.json"), json.dumps(project)),
                  "-o", os.path.join(root, "site.fcd")],
                 ["--program-folder", os.path.join(root, "program"), "publish",
                  os.path.join(root, "site.fcd"), "--to", os.path.join(root, "site"), "--yes"]):
        run = subprocess.run([CLI, *args], capture_output=True, text=True, timeout=PATIENCE,
                             stdin=subprocess.DEVNULL)
        assert run.returncode == 0, (args, run.stdout, run.stderr)
    return src


class SiteInBrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not CLI or not os.access(CLI, os.X_OK):
            raise unittest.SkipTest("FOLDCRAFT_CLI is not set to the built foldcraft-cli")
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        cls.tmp = tempfile.mkdtemp(prefix="foldcraft-browser-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, ignore_errors=True)
        cls.site = os.path.join(cls.tmp, "site")
        cls.src = publish(cls.tmp)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update",
                     "--window-size=1024,900", "--user-data-dir=" + os.path.join(cls.tmp, "profile")):
            options.add_argument(flag)
        cls.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        cls.addClassCleanup(cls.driver.quit)
        cls.driver.set_page_load_timeout(PATIENCE)

    def open_page(self, name):
        self.driver.get("file://" + urllib.parse.quote(os.path.join(self.site, name)))

    def find(self, css):
        return self.driver.find_elements("css selector", css)

    def wait_for(self, condition, what="a page"):
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.05)
        self.fail("timed out waiting for %s (at %s)" % (what, self.driver.current_url))

    def wait_for_file(self, path):
        """Waits until the browser shows the published copy of path, or a page of the site."""
        if not path.startswith(self.site):
            path = os.path.join(self.site, "files", path.lstrip("/"))
        url = lambda: urllib.parse.unquote(urllib.parse.urlsplit(self.driver.current_url).path)
        self.wait_for(lambda: url() == path and self.driver.execute_script(
            "return document.readyState") == "complete", path)

    def test_every_picture_is_shown(self):
        for name in sorted(n for n in os.listdir(self.site) if n.endswith(".html")):
            with self.subTest(page=name):
                self.open_page(name)
                self.assertEqual(self.driver.execute_script("return Array.from(document.images)"
                    ".filter(i => !i.complete || !i.naturalWidth).map(i => i.src);"), [])

    def test_open_folder_then_open_document(self):
        self.open_page("Folder0.html")
        radios = self.find("input[type=radio][name=fldrradio]")
        self.assertEqual(len(radios), 4)
        radios[2].click()
        radios[0].click()  # the last choice counts
        self.find("input[name=btnFolders]")[0].click()
        self.wait_for_file(os.path.join(self.site, "Folder0-0.html"))
        self.find("input[name=docradio]")[0].click()
        self.find("input[name=btnFiles]")[0].click()
        self.wait_for_file(self.src["report.html"])

    def test_one_document_folder_jumps_to_its_document(self):
        self.open_page("Folder0-1.html")
        self.wait_for_file(self.src["single.html"])

    def test_image_map_areas_lead_to_their_targets(self):
        from selenium.webdriver.common.action_chains import ActionChains

        self.open_page("Folder0-2.html")
        areas = self.find("map[name=Map] area")
        self.assertEqual([a.get_attribute("shape") for a in areas], ["rect", "circle", "poly"])
        self.assertEqual(areas[2].get_attribute("href"), "http://127.0.0.1:9/never-visited.html")
        picture = self.find("img[usemap='#Map']")[0]
        home = self.driver.current_window_handle
        for target, (x, y) in ((os.path.join(self.site, "Folder0-2-0.html"), (50, 25)),
                               (self.src["minutes.html"], (175, 25))):
            with self.subTest(target=target):
                before = set(self.driver.window_handles)
                ActionChains(self.driver).move_to_element_with_offset(
                    picture, x - picture.size["width"] // 2, y - picture.size["height"] // 2
                ).click().perform()
                self.driver.switch_to.window(
                    self.wait_for(lambda: set(self.driver.window_handles) - before).pop())
                try:
                    self.wait_for_file(target)
                finally:
                    self.driver.close()
                    self.driver.switch_to.window(home)

    def test_documents_with_odd_names_open_from_their_links(self):
        for page_name in ("Folder0-3.html", "Sitemap.html"):
            for name in ODD_NAMES:
                with self.subTest(page=page_name, name=name):
                    self.open_page(page_name)
                    # The name is the link's text, not markup: no picture, no script ran.
                    links = [a for a in self.find("a") if a.text == name]
                    self.assertEqual(len(links), 1)
                    self.assertEqual(self.find("img[src=x], [onerror]"), [])
                    self.driver.get(links[0].get_attribute("href"))
                    self.wait_for_file(self.src[name])
                    self.assertEqual(self.find("body")[0].text, "This is %s." % name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
