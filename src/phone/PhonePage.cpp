#include "phone/PhonePage.h"

QByteArray PhonePageHtml()
{
    return QByteArrayLiteral(R"HTML(<!DOCTYPE html>
<html lang="zh">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>照片加印</title>
<style>
body { font-family: sans-serif; margin: 0; background: #f4f1ec; color: #222; }
header { background: #2f4858; color: #fff; padding: 16px; font-size: 20px; }
main { padding: 16px; max-width: 480px; margin: auto; }
label { display: block; margin-bottom: 6px; }
input { font-size: 20px; padding: 10px; width: 60%; border: 1px solid #999; border-radius: 6px; }
button { font-size: 18px; padding: 10px 16px; border: 0; border-radius: 6px; background: #2f4858; color: #fff; }
button:disabled { background: #999; }
#found { display: none; margin-top: 16px; background: #fff; padding: 12px; border-radius: 8px; }
#photo { width: 100%; border-radius: 4px; }
.copies { display: flex; align-items: center; gap: 16px; margin: 12px 0; font-size: 22px; }
.copies button { width: 48px; }
#message { margin-top: 16px; font-size: 18px; }
.bad { color: #b00020; }
.good { color: #1b6e20; }
#gallery { display: grid; grid-template-columns: repeat(3, 1fr); gap: 6px; margin-top: 16px; }
#gallery img { width: 100%; border-radius: 4px; }
</style>
</head>
<body>
<header>照片加印</header>
<main>
<label for="q">请输入照片上印的编号或名字</label>
<input id="q" inputmode="numeric" autocomplete="off"> <button id="find">查找</button>
<div id="found">
<img id="photo" alt="">
<div class="copies"><button id="less">−</button><span id="copies">1</span> 份<button id="more">＋</button></div>
<button id="order">下单</button>
</div>
<div id="message"></div>
<div id="gallery"></div>
</main>
<script>
"use strict";
let photo = null, max = 1, copies = 1, token = null;
const $ = id => document.getElementById(id);
function say(text, good) { const m = $("message"); m.textContent = text; m.className = good ? "good" : "bad"; }
function newToken() {
  const bytes = new Uint8Array(16); crypto.getRandomValues(bytes);
  return Array.from(bytes, b => b.toString(16).padStart(2, "0")).join("");
}
async function answer(response) {
  try { return await response.json(); } catch (e) { return {}; }
}
function show(found) {
  photo = found.name; max = found.maxCopies; copies = 1; token = newToken();
  $("copies").textContent = copies;
  $("photo").src = "photo?name=" + encodeURIComponent(photo);
  $("found").style.display = "block";
  $("order").disabled = false;
  say("", true);
}
async function find(text) {
  $("found").style.display = "none";
  const response = await fetch("find?q=" + encodeURIComponent(text.trim()));
  const body = await answer(response);
  if (response.ok) show(body); else say(body.message || "找不到这张照片", false);
}
function step(by) { copies = Math.min(max, Math.max(1, copies + by)); $("copies").textContent = copies; }
async function watch(id, name, count) {
  for (;;) {
    await new Promise(r => setTimeout(r, 2000));
    const response = await fetch("status?id=" + encodeURIComponent(id));
    if (!response.ok) return;
    const body = await answer(response);
    if (body.state === "queued") { say("照片 " + name + " 的 " + count + " 份已加入打印队列", true); return; }
  }
}
async function order() {
  $("order").disabled = true;
  const form = new URLSearchParams({name: photo, copies: String(copies), token: token});
  let response;
  try { response = await fetch("order", {method: "POST", body: form}); }
  catch (e) { say("网络不通，请再点一次下单", false); $("order").disabled = false; return; }
  const body = await answer(response);
  if (!response.ok) { say(body.message || "下单没有成功", false); $("order").disabled = false; return; }
  say("已收到您的订单：照片 " + body.name + "，" + body.copies + " 份", true);
  token = newToken();
  watch(body.id, body.name, body.copies);
}
async function gallery() {
  const response = await fetch("gallery");
  if (!response.ok) return;
  const body = await answer(response);
  for (const name of body.names || []) {
    const img = document.createElement("img");
    img.loading = "lazy"; img.alt = name; img.src = "photo?name=" + encodeURIComponent(name);
    img.onclick = () => { $("q").value = name; find(name); };
    $("gallery").appendChild(img);
  }
}
$("find").onclick = () => find($("q").value);
$("q").onkeydown = e => { if (e.key === "Enter") find($("q").value); };
$("less").onclick = () => step(-1);
$("more").onclick = () => step(1);
$("order").onclick = order;
gallery();
</script>
</body>
</html>
)HTML");
}
