"""The two letters and the poem, in our own words. Written to app/content as
UTF-8 text files (see gbk_text.py for the on-disk form)."""
import os

import gbk_text

FIRST_LETTER = """亲爱的：
    今天是七夕，牛郎织女在鹊桥相会的日子。
我没有鹊桥，也没有满天的喜鹊，
只好用一行一行的代码，为你搭一座小小的桥。
    你现在看到的每一朵玫瑰、每一颗跳动的心、
每一束烟花，都是我为你画出来的。
它们也许不够完美，可每一个像素里，
都藏着我想对你说的话。
    还记得我们第一次见面吗？那天的风很轻，
你笑起来的样子，我到现在都记得。
从那以后，我的日子里就多了一个人，
多了一份牵挂，也多了许多说不完的欢喜。
    和你在一起的时候，时间总是过得特别快；
不在你身边的时候，一分一秒都变得好长。
如果能把思念装进信封，寄给你的信，
大概早就堆成一座小山了吧。
    我不太会说甜言蜜语，还常常惹你生气。
谢谢你一次次包容我，在我失落时陪着我，
让我相信平凡的日子也可以闪闪发光。
    下面的四个按钮，是我为你准备的四份小礼物：
一场玫瑰的盛宴，一片为你绽放的烟花，
几句藏在心里的话，还有一封更长的信。
慢慢看，我一直都在。
    我爱你，不止今天，不止七夕。
                    永远爱你的我"""

SECOND_LETTER = """            给你的信
亲爱的你：
    提笔的时候，窗外的月亮正圆，
我忽然想把这些年攒下的话，一句句写给你听。
    认识你以前，我以为日子就是上班、下班、吃饭、睡觉，
一天和一天没有什么分别。是你让我知道，
原来清晨的阳光这样暖，傍晚的晚霞这样美，
原来一句“路上小心”，就能让人开心一整天。
    我记得你怕黑，走夜路时总会悄悄拉住我的衣角；
我记得你爱吃甜，却又总嚷着要减肥；
我记得你看电影会哭，哭完了还不许我笑你；
我记得你生病时皱着眉头的样子，让我心疼了好久。
这些小事，我都偷偷收藏着，
像收藏一颗颗亮晶晶的星星。
    我们也吵过架，也有过说不出话的沉默。
每一次，都是你先软下来，轻轻说一句“算啦”。
后来我才明白，不是你没有委屈，
而是你比我更舍不得。对不起，也谢谢你。
以后换我先低头，换我先抱住你，好不好？
    有时我会想，如果那天我没走进那家小店，
如果你没有回头对我笑，我们会不会就这样错过。
每次想到这里，我都觉得自己好幸运，[LF]
幸运到要用一辈子去珍惜。
    我不是很浪漫的人，能给你的也不多。
没有玫瑰花海，我就在屏幕上为你种满玫瑰；
放不了真的烟花，我就为你画一片会发光的夜空；
说不好动听的情话，我就把它们写成一首小诗，
让它们慢慢地从你眼前飘过。
    我想陪你去很多地方：
去海边看日出，去山顶数星星，
去一座陌生的小城，在石板路上慢慢地走。
也想陪你做很多平凡的事：
一起买菜，一起做饭，一起在沙发上打瞌睡，
一起把日子过成我们都喜欢的样子。
    等我们老了，头发白了，牙齿也掉了，
我还要在七夕这天给你写信，
告诉你，我还是像第一次见你那样喜欢你。
    牛郎织女一年才能见一次，
我们却可以每天在一起，这是多大的福气。
所以，请你一定要好好的，开开心心的，
累了就靠在我肩上，难过了就告诉我，
往后的风风雨雨，都让我陪你走。
    七夕快乐，我的爱人。
                    爱你的我"""

POEM = """七夕·写给你
银河再长，也长不过我的思念
鹊桥再短，也能把我带到你身边
今夜的风里，有桂花的香
我把心事折成一只小小的纸船
顺着星光，漂到你的窗前
你若看见天边最亮的那颗星
那是我在轻轻唤你的名字
一年只有一个七夕
我却想把每一天都过成七夕
清晨为你煮一杯热茶
黄昏陪你走一段长长的路
夜里把星星一颗一颗数给你听
不求轰轰烈烈
只愿细水长流
从青丝到白发，从今天到永远
你是我写过最美的诗
也是我读不完的一生
亲爱的，七夕快乐
我爱你，一直都爱"""

FILES = [("letter1.txt", FIRST_LETTER), ("letter2.txt", SECOND_LETTER), ("poem.txt", POEM)]


def generate(out_dir):
    for name, text in FILES:
        with open(os.path.join(out_dir, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text + "\n")


def describe(out_dir):
    """Character and line counts as the program sees them (after GBK
    conversion, line breaks included)."""
    rows = []
    for name in ("letter1.txt", "letter2.txt"):
        data, lines = gbk_text.letter_bytes(os.path.join(out_dir, name))
        rows.append((name, len(data.decode("gbk")), len(data), lines))
    poem = gbk_text.poem_lines(os.path.join(out_dir, "poem.txt"))
    lens = [len(p.decode("gbk")) for p in poem]
    rows.append(("poem.txt", "%d..%d per line" % (min(lens), max(lens)),
                 "%d..%d" % (min(map(len, poem)), max(map(len, poem))), len(poem)))
    return rows


if __name__ == "__main__":
    import tempfile
    with tempfile.TemporaryDirectory() as d:
        generate(d)
        for row in describe(d):
            print("%-12s chars %-16s bytes %-8s lines %s" % row)
